#include "library/ConversionCommand.h"

#include <array>
#include <charconv>
#include <cstdlib>

#include "platform/core/Format.h"
#include "platform/shell/CommandLine.h"

namespace talvora {

namespace {
constexpr int kBrowserVideoBitrate = 1200;

// "%.2f" in the "C" locale: Qt applies the user's locale to the C library,
// and ffmpeg would not read "15,00".
std::string frameRateText(float rate) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), static_cast<double>(rate),
                                      std::chars_format::fixed, 2);
    return std::string(buffer.data(), result.ptr);
}
}  // namespace

int VideoBitrateForWidth(int width) {
    if (width <= 719) return 1200;
    if (width <= 1280) return 2000;
    return 3000;
}

std::optional<ConversionCommand> MakeConversionCommand(ConversionKind kind, ConversionSource source,
                                                       const std::string& input, const Settings& settings) {
    if (kind == ConversionKind::Mp3 && settings.videoOnly != 0) return std::nullopt;  // no sound to extract
    ConversionCommand c;
    c.input = input;
    if (c.input.size() <= 4) return std::nullopt;
    c.output = c.input.substr(0, c.input.size() - 4) + (kind == ConversionKind::Mp4 ? ".mp4" : ".mp3");

    const std::string in = platform::escapeQuoted(c.input);
    const std::string out = platform::escapeQuoted(c.output);
    if (kind == ConversionKind::Mp3) {
        c.parameters =
            platform::format(" -y -i \"%s\" -codec:a libmp3lame -qscale:a 5 \"%s\"", in.c_str(), out.c_str());
    } else if (source == kFromBrowser) {
        c.parameters = platform::format(" -y -i \"%s\" -r 15 -b:v %dk -b:a %dk -vcodec libx264 -preset ultrafast \"%s\"",
                                        in.c_str(), kBrowserVideoBitrate, settings.audioBitrate, out.c_str());
    } else {
        const std::string rate = frameRateText(settings.frameRate);
        c.parameters = platform::format(" -y -i \"%s\" -r %s -b:v %dk -b:a %dk -vcodec libx264 -preset ultrafast \"%s\"",
                                        in.c_str(), rate.c_str(),
                                        VideoBitrateForWidth(std::abs(settings.xBottom - settings.xTop)),
                                        settings.audioBitrate, out.c_str());
    }
    return c;
}

}  // namespace talvora
