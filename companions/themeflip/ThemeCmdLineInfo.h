#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace platform {
class MessageBox;
}

namespace themeflip {

// The companion's command-line parser: the tokens in order, at most 20, each
// flagged whether it was a switch ("-" or "/" first, that character stripped).
// Each further token is dropped with "Too many parameters %d".
class ThemeCmdLineInfo {
public:
    static constexpr std::size_t kSlots = 20;
    static constexpr std::size_t kSlotBytes = 256;

    struct Param {
        std::string text;  // at most kSlotBytes - 1 bytes
        bool isSwitch = false;
    };

    explicit ThemeCmdLineInfo(platform::MessageBox& box) : box_(box) {}

    // Clears the table and parses the tokens after the program name. UI thread.
    void parse(const std::vector<std::string>& tokens);

    const std::vector<Param>& params() const { return params_; }

private:
    void parseParam(const std::string& token);

    platform::MessageBox& box_;
    std::vector<Param> params_;
    int seen_ = 0;
};

}  // namespace themeflip
