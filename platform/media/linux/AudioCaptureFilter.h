#pragma once

#include <memory>
#include <string>

#include "platform/media/AudioCaptureConfig.h"
#include "platform/media/linux/LiveAudioFilter.h"

namespace platform {

// The program's own audio capture ("VozEza5"): records the remote side of a
// call from the default sink's monitor and, with dual audio, the local side
// from a source, and mixes them on the output pin "Out".
//  - `secondSource` names the local source by description or server name
//    (empty or "VozEza5": the default source);
//  - `singleDevice` records the local source alone, without the remote side;
//  - `mute` drops the local side, `procVolume` lowers the remote side, and
//    `recOption` (Smart Microphone) lowers it while the local side speaks;
//  - `stopping` delivers what is held and ends the stream.
class AudioCaptureFilter : public LiveAudioFilter, public AudioCaptureConfig {
public:
    // `shared` keeps the last configured values for the instances made later.
    AudioCaptureFilter(AudioSystem& audio, DiagnosticLog& log, std::shared_ptr<AudioCaptureSetup> shared);

    // UI thread, also while running: mute, procVolume and recOption apply at
    // once; the sources are chosen when the graph starts.
    HRESULT configure(const AudioCaptureSetup& setup) override;
    const AudioCaptureSetup& setup() const { return setup_; }

protected:
    AudioStatus openStreams(std::unique_ptr<AudioRecordStream>& remote,
                            std::unique_ptr<AudioRecordStream>& local) override;
    AudioCaptureSession::Reopen reopener() override;

private:
    // The server name of the local source `secondSource` stands for.
    static AudioStatus localSource(AudioSystem& audio, DiagnosticLog& log, const std::string& secondSource,
                                   std::string& name);

    std::shared_ptr<AudioCaptureSetup> shared_;
    AudioCaptureSetup setup_;
};

}  // namespace platform
