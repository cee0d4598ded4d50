#pragma once

#include <cstddef>
#include <string>

#include "app/AppContext.h"
#include "app/SettingsStore.h"

namespace talvora {

// Writes the recording's Windows Media profile, "OrlanProf.prx" in the data
// folder, from one of three templates: video only, audio only, audio and
// video. The file holds the profile text in UTF-16LE followed by zero bytes,
// always 20000 bytes. Each writer returns false when it cannot write the
// profile; the recording graph then gives up the recording. UI thread.
class WmProfileWriter {
public:
    static constexpr const char* kProfileFileName = "OrlanProf.prx";
    static constexpr std::size_t kFileBytes = 20000;

    WmProfileWriter(AppContext& app, const SettingsStore& store);

    // 1 <= width, height; 32 <= video kbps <= 6000; 1 <= fps <= 200.
    // Out of range: false, without a message.
    bool writeVideoOnly(int width, int height, int videoKbps, int fps);
    // Audio kbps 32, 64, 96, 128, 192 or 256; any other: false.
    bool writeAudioOnly(int audioKbps);
    // As the video-only writer, but up to 12000 video kbps, and a value out
    // of range is shown as "Invalid video parameter (...)".
    bool writeAudioVideo(int width, int height, int videoKbps, int audioKbps, int fps);

    std::string profilePath() const;

private:
    bool writeFile(const std::string& text, const char* cannotCreateMessage);

    AppContext& app_;
    const SettingsStore& store_;
};

}  // namespace talvora
