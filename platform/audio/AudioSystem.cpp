#include "platform/audio/AudioSystem.h"

namespace platform {

AudioStatus AudioSystem::openLoopbackStream(int sampleRate, int channels, std::unique_ptr<AudioRecordStream>& stream) {
    AudioSinkInfo sink;
    if (AudioStatus status = defaultSink(sink); !status.ok()) return status;
    return openRecordStream(sink.monitorSource, sampleRate, channels, stream);
}

}  // namespace platform
