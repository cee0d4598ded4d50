// Feeds arbitrary names (window titles end up in them) to the file-name
// sanitiser. For any input the result holds no control character and none of
// the characters that could take the name out of its folder or confuse a
// shell or a converter; it keeps the other characters in order; and it is
// already sanitised (a second pass changes nothing).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/core/fake/FakeLog.h"
#include "targets/RecordingFileName.h"

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "file_name_fuzz: %s\n", what);
        std::abort();
    }
}

constexpr const char* kDropped = "\\/:*<|?=%`";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string name(reinterpret_cast<const char*>(data), size);
    platform::FakeLog log;
    const std::string clean = talvora::SanitizeFileName(name, log);

    std::size_t at = 0;
    for (char c : clean) {
        check(static_cast<unsigned char>(c) >= 32, "a control character stays");
        check(std::strchr(kDropped, c) == nullptr, "a character that must go stays");
        at = name.find(c, at);
        check(at != std::string::npos, "a character appears that was not there, or out of order");
        ++at;
    }
    for (char c : name) {
        const bool dropped = static_cast<unsigned char>(c) < 32 || std::strchr(kDropped, c) != nullptr;
        if (!dropped) check(clean.find(c) != std::string::npos, "a harmless character was dropped");
    }
    platform::FakeLog again;
    check(talvora::SanitizeFileName(clean, again) == clean, "a sanitised name changes when sanitised again");
    return 0;
}
