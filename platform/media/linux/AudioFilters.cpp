#include "platform/media/linux/AudioFilters.h"

#include <memory>

#include "platform/audio/AudioSystem.h"
#include "platform/core/DiagnosticLog.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/linux/AudioCaptureFilter.h"
#include "platform/media/linux/AudioSourceFilter.h"
#include "platform/media/linux/WavDestFilter.h"

namespace platform {
namespace {

// Real inputs only: a sink's monitor is the remote side, which the audio
// capture filter records already.
std::vector<FilterEntry> sourceEntries(AudioSystem& audio, DiagnosticLog& log) {
    std::vector<AudioSourceInfo> sources;
    if (AudioStatus status = audio.sources(sources); !status.ok()) {
        log.append("\r\nNo audio capture devices: " + status.message);
        return {};
    }
    std::vector<FilterEntry> entries;
    for (auto& source : sources) {
        if (source.isMonitor) continue;
        std::string friendlyName = source.description.empty() ? source.name : source.description;
        entries.push_back({std::move(friendlyName), kAudioRecordClassId,
                           [&audio, &log, source] { return std::make_shared<AudioSourceFilter>(audio, log, source); }});
    }
    return entries;
}

}  // namespace

void registerAudioFilters(FilterRegistry& registry, AudioSystem& audio, DiagnosticLog& log) {
    auto setup = std::make_shared<AudioCaptureSetup>();
    FilterFactory capture = [&audio, &log, setup] { return std::make_shared<AudioCaptureFilter>(audio, log, setup); };
    registry.registerClass(kAudioCaptureClassId, capture);
    registry.addEntry(kAudioCaptureCategory, {"VozEza5", kAudioCaptureClassId, capture});
    registry.setCategorySource(kAudioCaptureCategory, [&audio, &log] { return sourceEntries(audio, log); });

    FilterFactory wavDest = [&log] { return std::make_shared<WavDestFilter>(log); };
    registry.registerClass(kWavDestClassId, wavDest);
    registry.addEntry(kLegacyFilterCategory, {"WAV Dest", kWavDestClassId, wavDest});
}

}  // namespace platform
