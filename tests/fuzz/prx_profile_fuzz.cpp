// Feeds arbitrary text to the .prx profile reader. Besides running without
// memory faults or undefined behaviour (under the sanitizers), it checks what
// must hold for any input: a refused text leaves the profile as it was and
// says why; an accepted one holds only what the ASF writer can be set up with.
// The first byte picks how the rest becomes UTF-16: one byte per unit (the
// profiles the recorder writes are ASCII), or little-endian pairs.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/media/WmProfileManager.h"

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "prx_profile_fuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::u16string text;
    if (data[0] % 2 == 0) {
        text.assign(data + 1, data + size);
    } else {
        for (std::size_t i = 1; i + 1 < size; i += 2)
            text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    }

    const platform::WmProfile before{"untouched", "", platform::WmAudioStream{}, std::nullopt};
    platform::WmProfile profile = before;
    platform::WmProfileManager manager;
    const platform::HRESULT hr = manager.loadProfileByData(text, profile);
    if (hr != platform::S_OK) {
        check(profile == before, "a refused profile changed the result");
        check(!manager.lastError().empty(), "a refused profile says nothing");
        return 0;
    }
    check(profile.audio || profile.video, "an accepted profile has no stream");
    if (profile.video) {
        check(profile.video->width > 0 && profile.video->height > 0, "an accepted picture has no size");
        check(profile.video->avgTimePerFrame_100ns > 0, "an accepted picture has no frame time");
    }
    if (profile.audio) check(profile.audio->channels > 0, "accepted sound has no channels");
    return 0;
}
