#include "app/SettingsFile.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>  // newlocale, strtod_l

#include "app/DecimalText.h"

namespace talvora {

namespace {

static_assert(std::numeric_limits<float>::is_iec559, "float must hold infinities and NaN");

enum class Kind { Integer, Real, Text };

// One "Key: value" line: where its value lives in the record.
struct Field {
    std::string_view key;  // with the colon and the blank
    Kind kind;
    int Settings::*integer;
    float Settings::*real;
    std::string Settings::*text;
    std::size_t capacity;
};

constexpr Field integerField(std::string_view key, int Settings::*member) {
    return {key, Kind::Integer, member, nullptr, nullptr, 0};
}
constexpr Field realField(std::string_view key, float Settings::*member) {
    return {key, Kind::Real, nullptr, member, nullptr, 0};
}
constexpr Field textField(std::string_view key, std::string Settings::*member, std::size_t capacity) {
    return {key, Kind::Text, nullptr, nullptr, member, capacity};
}

// The writer's lines, in file order.
constexpr std::array<Field, kSettingsDataLineCount> kWrittenFields{{
    textField("Recording Folder: ", &Settings::recordingFolder, kFolderTextCapacity),
    integerField("Protocol: ", &Settings::protocol),
    integerField("Video Bitrate: ", &Settings::videoBitrate),
    integerField("Audio Bitrate: ", &Settings::audioBitrate),
    realField("Frame Rate: ", &Settings::frameRate),
    textField("Audio Source: ", &Settings::audioSource, kSourceTextCapacity),
    textField("Audio Input: ", &Settings::audioInput, kSourceTextCapacity),
    textField("Audio Output: ", &Settings::audioOutput, kSourceTextCapacity),
    integerField("Max File Time: ", &Settings::maxFileTime),
    integerField("Audio Only: ", &Settings::audioOnly),
    integerField("Video Only: ", &Settings::videoOnly),
    integerField("OnTop: ", &Settings::onTop),
    integerField("VistaAudio: ", &Settings::vistaAudio),
    integerField("SetTopWindow: ", &Settings::setTopWindow),
    integerField("xTop: ", &Settings::xTop),
    integerField("yTop: ", &Settings::yTop),
    integerField("xBottom: ", &Settings::xBottom),
    integerField("yBottom: ", &Settings::yBottom),
    integerField("MPEG-4: ", &Settings::mpeg4),
    integerField("Bitcount: ", &Settings::bitcount),
    integerField("Filters: ", &Settings::filters),
    integerField("Cursor: ", &Settings::cursor),
    integerField("Install: ", &Settings::install),
    integerField("User: ", &Settings::user),
    integerField("Message: ", &Settings::message),
    integerField("ShowVideo: ", &Settings::showVideo),
    integerField("AutoMark: ", &Settings::autoMarkWindow),
    integerField("Basic: ", &Settings::basic),
    integerField("Defaults: ", &Settings::defaults),
    integerField("Minimize: ", &Settings::minimize),
    integerField("Size: ", &Settings::size),
    integerField("FullScreen: ", &Settings::fullScreen),
    integerField("HideWindow: ", &Settings::hideWindow),
    textField("Hotkey1: ", &Settings::hotkey1, kShortTextCapacity),
    textField("Hotkey2: ", &Settings::hotkey2, kShortTextCapacity),
    textField("Hotkey3: ", &Settings::hotkey3, kShortTextCapacity),
    integerField("MiniClone: ", &Settings::miniClone),
    integerField("Monitor: ", &Settings::monitor),
    integerField("Dual Audio: ", &Settings::dualAudio),
    textField("Audio Source1: ", &Settings::audioSource1, kSecondSourceTextCapacity),
    textField("Audio Input1: ", &Settings::audioInput1, kSecondSourceTextCapacity),
    textField("Audio Output1: ", &Settings::audioOutput1, kSecondSourceTextCapacity),
    integerField("AutoMark: ", &Settings::autoMark),
    textField("Position: ", &Settings::position, kShortTextCapacity),
    integerField("Scale: ", &Settings::scale),
    integerField("Setup: ", &Settings::setup),
    integerField("ConvertMP4: ", &Settings::convertMP4),
    integerField("ConvertMP3: ", &Settings::convertMP3),
    integerField("Marked: ", &Settings::marked),
    integerField("RecOption: ", &Settings::recOption),
    integerField("SmartMic: ", &Settings::smartMic),
    integerField("ProcVolume: ", &Settings::procVolume),
}};

// The reader's matching list, in matching order. Because a key matches
// anywhere in a line, the order decides: "Position: " and "FullScreen: " come
// first, and "Audio Source: " is tried before "Audio Source1: " (which does not
// contain it). "Minimize: " is missing on purpose.
constexpr std::array<std::string_view, 50> kMatchOrder{{
    "Position: ", "FullScreen: ", "AutoMark: ", "Recording Folder: ", "Protocol: ", "Video Bitrate: ",
    "Audio Bitrate: ", "Frame Rate: ", "Audio Source: ", "Audio Input: ", "Audio Output: ", "Max File Time: ",
    "Audio Only: ", "Video Only: ", "OnTop: ", "VistaAudio: ", "SetTopWindow: ", "xTop: ", "yTop: ",
    "xBottom: ", "yBottom: ", "MPEG-4: ", "Bitcount: ", "Cursor: ", "Filters: ", "Install: ", "User: ",
    "Message: ", "ShowVideo: ", "Basic: ", "Defaults: ", "Size: ", "HideWindow: ", "Hotkey1: ", "Hotkey2: ",
    "Hotkey3: ", "MiniClone: ", "Monitor: ", "Dual Audio: ", "Audio Source1: ", "Audio Input1: ",
    "Audio Output1: ", "Scale: ", "Setup: ", "ConvertMP4: ", "ConvertMP3: ", "Marked: ", "RecOption: ",
    "SmartMic: ", "ProcVolume: ",
}};

// The field a key loads: the last written line with that key, so "AutoMark: "
// loads the tracking flag of the second line.
constexpr const Field* loadedField(std::string_view key) {
    const Field* found = nullptr;
    for (const Field& field : kWrittenFields)
        if (field.key == key) found = &field;
    if (!found) throw "a key of the matching list is not written";  // fails the constant evaluation
    return found;
}

constexpr std::array<const Field*, kMatchOrder.size()> kReadFields = [] {
    std::array<const Field*, kMatchOrder.size()> fields{};
    for (std::size_t i = 0; i < kMatchOrder.size(); ++i) fields[i] = loadedField(kMatchOrder[i]);
    return fields;
}();

constexpr std::string_view kLineEnd = "\r\n";

// The "C" locale for numbers: Qt sets the user's locale at start-up, and the
// file must not depend on it (a German locale would read "29.97" as 29).
locale_t numericCLocale() {
    static const locale_t locale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

// atof in the "C" locale, stored as the record's float.
float parseReal(std::string_view value) {
    const std::string text(value);  // strtod needs the terminator
    const locale_t c = numericCLocale();  // only out of memory leaves it unset
    const double number = c ? strtod_l(text.c_str(), nullptr, c) : std::strtod(text.c_str(), nullptr);
    if (std::isnan(number)) return static_cast<float>(number);
    // Out-of-range double-to-float conversion is undefined: saturate to infinity.
    if (number > FLT_MAX) return std::numeric_limits<float>::infinity();
    if (number < -FLT_MAX) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(number);
}

// "%.2f" in the "C" locale.
std::string formatReal(float value) {
    // FLT_MAX has 39 integer digits; sign, point and two decimals fit easily.
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), static_cast<double>(value),
                                      std::chars_format::fixed, 2);
    return std::string(buffer.data(), result.ptr);
}

void applyValue(const Field& field, std::string_view value, Settings& settings) {
    switch (field.kind) {
    case Kind::Integer: settings.*field.integer = parseDecimalInt(value); break;
    case Kind::Real: settings.*field.real = parseReal(value); break;
    case Kind::Text: assignText(settings.*field.text, value, field.capacity); break;
    }
}

void parseLine(std::string_view line, Settings& settings) {
    for (const Field* field : kReadFields) {
        const std::size_t at = line.find(field->key);
        if (at == std::string_view::npos) continue;
        applyValue(*field, line.substr(at + field->key.size()), settings);
        return;
    }
}

// A value is the rest of its line: a CR or LF inside it would end the line
// early and start another, which a later read takes for a key of its own.
void appendWithoutLineBreaks(std::string& out, const std::string& text) {
    for (const char c : text)
        if (c != '\r' && c != '\n') out.push_back(c);
}

// What a text-mode read delivers: CR LF pairs become LF.
std::string textModeBytes(std::string_view raw) {
    std::string text;
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        text.push_back(raw[i]);
    }
    return text;
}

}  // namespace

std::string formatSettingsFile(const Settings& settings) {
    const std::string asterisks(kSettingsAsteriskCount, '*');
    std::string out;
    out.append(kSettingsHeader).append(kLineEnd);
    out.append(asterisks).append(kLineEnd);
    for (const Field& field : kWrittenFields) {
        out.append(field.key);
        switch (field.kind) {
        case Kind::Integer: out.append(std::to_string(settings.*field.integer)); break;
        case Kind::Real: out.append(formatReal(settings.*field.real)); break;
        case Kind::Text: appendWithoutLineBreaks(out, settings.*field.text); break;
        }
        out.append(kLineEnd);
    }
    out.append(kLineEnd);
    out.append(asterisks).append(kLineEnd);
    out.append(kSettingsNotice);
    return out;
}

void parseSettingsText(std::string_view raw, Settings& settings) {
    const std::string text = textModeBytes(raw);
    std::size_t pos = 0;
    while (pos < text.size()) {
        // One fgets call: up to the line end, at most kSettingsMaxLineChars.
        const std::size_t available = std::min(text.size() - pos, kSettingsMaxLineChars);
        const std::size_t lineEnd = std::string_view(text).substr(pos, available).find('\n');
        const std::size_t length = lineEnd == std::string_view::npos ? available : lineEnd + 1;
        std::string_view piece(text.data() + pos, length);
        pos += length;

        piece = piece.substr(0, piece.find('\0'));
        if (piece.empty() || piece.back() != '\n') continue;
        piece.remove_suffix(1);
        parseLine(piece, settings);
    }
}

void upperCaseHotkeys(Settings& settings) {
    for (std::string* hotkey : {&settings.hotkey1, &settings.hotkey2, &settings.hotkey3}) {
        for (char& c : *hotkey) {
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        }
    }
}

void assignText(std::string& field, std::string_view text, std::size_t capacity) {
    const std::size_t limit = capacity > 0 ? capacity - 1 : 0;
    if (text.size() <= limit) {
        field.assign(text);
        return;
    }
    std::size_t cut = limit;
    // Back off over at most three continuation bytes to the sequence's lead byte.
    for (int steps = 0; steps < 3 && cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80; ++steps)
        --cut;
    field.assign(text.substr(0, cut));
}

}  // namespace talvora
