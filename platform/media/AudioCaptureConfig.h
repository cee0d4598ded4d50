#pragma once

#include <string>

#include "platform/core/HResult.h"

namespace platform {

constexpr const char* kAudioCaptureClassId = "{AB06B942-DC91-457E-97EF-D0076E8669DA}";

// The audio-capture filter's own set-up, ten arguments in this order.
struct AudioCaptureSetup {
    int one = 1;
    int protocol = 0;
    int dualAudio = 0;
    std::string secondSource;  // name of the second (local) source
    int zero = 0;
    int mute = 0;          // mute the second source
    int recOption = 2;     // 0 mute / 1 lower the remote side while the local side speaks / 2 no change
    int stopping = 0;      // 1 only during a stop: flush and end cleanly
    int singleDevice = 0;
    float procVolume = 0;  // lowering of the remote side, 0.0 to 0.9
};

class AudioCaptureConfig {
public:
    virtual ~AudioCaptureConfig() = default;
    virtual HRESULT configure(const AudioCaptureSetup& setup) = 0;
};

}  // namespace platform
