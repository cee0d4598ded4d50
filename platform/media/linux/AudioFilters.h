#pragma once

namespace platform {

class AudioSystem;
class DiagnosticLog;
class FilterRegistry;

// Puts the audio filters into the registry: the audio capture filter under
// its class id and as "VozEza5" in the audio capture category, one entry per
// sound source of the server there (listed afresh on every enumeration, by
// friendly name), and "WAV Dest" in the legacy filter category. The capture
// filter's configured values carry over to the instances made after it.
// `audio` and `log` must outlive the registry and its filters. UI thread.
void registerAudioFilters(FilterRegistry& registry, AudioSystem& audio, DiagnosticLog& log);

}  // namespace platform
