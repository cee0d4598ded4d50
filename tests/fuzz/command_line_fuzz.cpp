// Feeds arbitrary parameters (split at NUL bytes) to the command-line table,
// and each of them to the argument quoting. For any input the table keeps at
// most its 20 entries of at most 99 characters, counts every parameter, marks
// only the last as last, reads its switches without faults; and an argument
// quoted into a parameter template splits back into exactly that argument.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/CmdLineInfo.h"
#include "platform/shell/CommandLine.h"

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "command_line_fuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parameters;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\0', start), text.size());
        parameters.push_back(text.substr(start, end - start));
        start = end + 1;
    }

    talvora::CmdLineInfo info;
    info.parse(parameters);
    check(info.count() == static_cast<int>(parameters.size()), "a parameter was not counted");
    check(info.stored() <= talvora::CmdLineInfo::kMaxEntries, "the table overflows");
    for (int i = 0; i < info.stored(); ++i) {
        const auto& entry = info.entry(i);
        check(entry.text.size() <= talvora::CmdLineInfo::kMaxParameterLength, "an entry is too long");
        check(entry.isLast == (i + 1 == static_cast<int>(parameters.size())), "the wrong entry is last");
        info.hasSwitch(entry.text);
        info.switchValue(entry.text);
    }
    talvora::LaunchSwitches::from(info);

    for (const std::string& argument : parameters) {
        const std::vector<std::string> split = platform::splitCommandLine("-i \"" + platform::escapeQuoted(argument) + "\"");
        check(split.size() == 2 && split[0] == "-i" && split[1] == argument, "a quoted argument does not split back");
    }
    return 0;
}
