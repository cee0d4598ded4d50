// Feeds arbitrary bytes to the settings reader and writes the record back.
// Besides running both without undefined behaviour (build with sanitizers to
// check that), it checks what must hold for any input: the written file has
// exactly its 56 line ends, and a written file read back and written again is
// byte-identical. Non-finite and huge frame rates are part of that: the writer
// prints them as "%.2f" does ("inf", "nan", all digits of a huge value) and the
// reader reads those texts back to the same float.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/SettingsFile.h"

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "settings_reader_fuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    talvora::Settings settings;
    talvora::parseSettingsText(input, settings);
    const std::string written = talvora::formatSettingsFile(settings);

    std::size_t lineFeeds = 0;
    for (char c : written) lineFeeds += c == '\n';
    check(lineFeeds == 2 + talvora::kSettingsDataLineCount + 2, "written file has the wrong number of lines");

    talvora::Settings again = settings;
    talvora::parseSettingsText(written, again);
    check(talvora::formatSettingsFile(again) == written, "rewriting a written file changed it");
    return 0;
}
