#include "platform/shell/CommandLine.h"

namespace platform {

std::vector<std::string> splitCommandLine(const std::string& text) {
    std::vector<std::string> args;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c == ' ' || c == '\t' || c == '\n' || c == '\r') && !quoted) {
            if (inArgument) args.push_back(std::move(current));
            current.clear();
            inArgument = false;
            continue;
        }
        inArgument = true;
        if (c == '\\') {
            std::size_t slashes = 0;
            while (i < text.size() && text[i] == '\\') {
                ++slashes;
                ++i;
            }
            if (i < text.size() && text[i] == '"') {
                current.append(slashes / 2, '\\');
                if (slashes % 2 == 1) current.push_back('"');
                else quoted = !quoted;
            } else {
                current.append(slashes, '\\');
                --i;
            }
        } else if (c == '"') {
            // A doubled quote inside a quoted argument stands for one quote.
            if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
                current.push_back('"');
                ++i;
            } else {
                quoted = !quoted;
            }
        } else {
            current.push_back(c);
        }
    }
    if (inArgument) args.push_back(std::move(current));
    return args;
}

std::string escapeQuoted(const std::string& argument) {
    std::string out;
    std::size_t slashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        // Backslashes count double only right before a quote.
        out.append(c == '"' ? 2 * slashes + 1 : slashes, '\\');
        slashes = 0;
        out.push_back(c);
    }
    out.append(2 * slashes, '\\');
    return out;
}

}  // namespace platform
