#include "platform/media/WmProfileManager.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstring>
#include <set>
#include <stdexcept>

#include "platform/core/Format.h"

namespace platform {

namespace {

constexpr const char* kAudioMajorType = "{73647561-0000-0010-8000-00AA00389B71}";
constexpr const char* kVideoMajorType = "{73646976-0000-0010-8000-00AA00389B71}";

// Class ids compare without regard to case.
bool sameId(const std::string& a, const char* b) {
    return a.size() == std::strlen(b) && std::equal(a.begin(), a.end(), b, [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

struct ProfileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

pugi::xml_node child(pugi::xml_node parent, const char* name) {
    pugi::xml_node node = parent.child(name);
    if (!node) throw ProfileError(format("<%s> has no <%s>", parent.name(), name));
    return node;
}

const char* text(pugi::xml_node node, const char* name) {
    pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute) throw ProfileError(format("<%s> has no %s", node.name(), name));
    return attribute.value();
}

std::int64_t integer(pugi::xml_node node, const char* name, std::int64_t min, std::int64_t max) {
    const char* value = text(node, name);
    const char* end = value + std::strlen(value);
    std::int64_t number = 0;
    const auto [next, error] = std::from_chars(value, end, number);
    if (error != std::errc() || next != end || number < min || number > max)
        throw ProfileError(format("<%s> %s=\"%s\" is not a number from %lld to %lld", node.name(), name, value,
                                  static_cast<long long>(min), static_cast<long long>(max)));
    return number;
}

int integer32(pugi::xml_node node, const char* name, int min, int max) {
    return static_cast<int>(integer(node, name, min, max));
}

std::vector<std::uint8_t> hexBytes(pugi::xml_node node, const char* name) {
    const std::string hex = text(node, name);
    auto digit = [&](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        throw ProfileError(format("<%s> %s=\"%s\" is not hexadecimal", node.name(), name, hex.c_str()));
    };
    if (hex.size() % 2 != 0) throw ProfileError(format("<%s> %s has an odd length", node.name(), name));
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(digit(hex[i]) * 16 + digit(hex[i + 1])));
    return bytes;
}

WmAudioStream audioStream(pugi::xml_node config) {
    WmAudioStream audio;
    audio.streamNumber = integer32(config, "streamnumber", 1, 63);
    audio.bitrate = integer32(config, "bitrate", 1, INT_MAX);
    const pugi::xml_node wave = child(child(config, "wmmediatype"), "waveformatex");
    audio.formatTag = integer32(wave, "wFormatTag", 0, 0xFFFF);
    audio.channels = integer32(wave, "nChannels", 1, 8);
    audio.samplesPerSecond = integer32(wave, "nSamplesPerSec", 1, 384000);
    audio.avgBytesPerSecond = integer32(wave, "nAvgBytesPerSec", 1, INT_MAX);
    audio.blockAlign = integer32(wave, "nBlockAlign", 1, 0xFFFF);
    audio.bitsPerSample = integer32(wave, "wBitsPerSample", 0, 32);
    audio.codecData = hexBytes(wave, "codecdata");
    return audio;
}

WmVideoStream videoStream(pugi::xml_node config) {
    WmVideoStream video;
    video.streamNumber = integer32(config, "streamnumber", 1, 63);
    video.bitrate = integer32(config, "bitrate", 1, INT_MAX);
    video.bufferWindow_ms = integer32(config, "bufferwindow", -1, INT_MAX);
    // Without them the writer's defaults hold.
    if (const pugi::xml_node props = config.child("videomediaprops")) {
        video.maxKeyFrameSpacing_100ns = integer(props, "maxkeyframespacing", 0, INT64_MAX);
        video.quality = integer32(props, "quality", 0, 100);
    }
    const pugi::xml_node header = child(child(config, "wmmediatype"), "videoinfoheader");
    // At least one frame per 100 s.
    video.avgTimePerFrame_100ns = integer(header, "avgtimeperframe", 1, 1'000'000'000);
    const pugi::xml_node bitmap = child(header, "bitmapinfoheader");
    video.width = integer32(bitmap, "biwidth", 1, 16384);
    video.height = integer32(bitmap, "biheight", 1, 16384);
    video.compression = text(bitmap, "bicompression");
    if (video.compression.size() != 4)
        throw ProfileError(format("bicompression \"%s\" is not a four-character code", video.compression.c_str()));
    return video;
}

WmProfile parseProfile(const pugi::xml_document& document) {
    const pugi::xml_node root = document.document_element();
    if (std::strcmp(root.name(), "profile") != 0)
        throw ProfileError(format("the root element is <%s>, not <profile>", root.name()));
    WmProfile profile;
    profile.name = text(root, "name");
    profile.description = root.attribute("description").value();
    std::set<int> numbers;
    for (const pugi::xml_node config : root.children("streamconfig")) {
        const std::string majorType = text(config, "majortype");
        int number = 0;
        if (sameId(majorType, kAudioMajorType)) {
            if (profile.audio) throw ProfileError("more than one audio stream");
            profile.audio = audioStream(config);
            number = profile.audio->streamNumber;
        } else if (sameId(majorType, kVideoMajorType)) {
            if (profile.video) throw ProfileError("more than one video stream");
            profile.video = videoStream(config);
            number = profile.video->streamNumber;
        } else {
            throw ProfileError(format("unknown majortype %s", majorType.c_str()));
        }
        if (!numbers.insert(number).second) throw ProfileError(format("stream number %d is used twice", number));
    }
    if (!profile.audio && !profile.video) throw ProfileError("the profile has no stream");
    return profile;
}

}  // namespace

HRESULT WmProfileManager::loadProfileByData(std::u16string_view text, WmProfile& profile) {
    lastError_.clear();
    pugi::xml_document document;
    const pugi::xml_parse_result parsed =
        document.load_buffer(text.data(), text.size() * sizeof(char16_t), pugi::parse_default, pugi::encoding_utf16);
    if (!parsed) {
        lastError_ = format("not well-formed at %lld: %s", static_cast<long long>(parsed.offset), parsed.description());
        return E_INVALIDARG;
    }
    try {
        profile = parseProfile(document);
    } catch (const ProfileError& error) {
        lastError_ = error.what();
        return E_INVALIDARG;
    }
    return S_OK;
}

}  // namespace platform
