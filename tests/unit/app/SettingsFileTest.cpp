#include "app/SettingsFile.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "DecimalCommaLocale.h"

namespace talvora {
namespace {

// A record with a distinct value in every field that the file holds.
Settings distinctRecord() {
    Settings s;
    s.recordingFolder = "/home/ana/Videos/Talvora Recordings";
    s.protocol = 1;
    s.videoBitrate = 1200;
    s.audioBitrate = 64;
    s.frameRate = 29.97f;
    s.audioSource = "VozEza5";
    s.audioInput = "Line In";
    s.audioOutput = "Out";
    s.maxFileTime = 3600;
    s.audioOnly = 2;
    s.videoOnly = 3;
    s.onTop = 4;
    s.vistaAudio = 5;
    s.setTopWindow = 6;
    s.xTop = -7;
    s.yTop = 8;
    s.xBottom = 1920;
    s.yBottom = 1080;
    s.mpeg4 = 9;
    s.bitcount = 32;
    s.filters = 10;
    s.cursor = 11;
    s.install = 12;
    s.user = 13;
    s.message = 14;
    s.showVideo = 15;
    s.autoMarkWindow = 16;
    s.basic = 17;
    s.defaults = 18;
    s.minimize = 19;
    s.size = 120;
    s.fullScreen = 2;
    s.hideWindow = 20;
    s.hotkey1 = "CTRL+83";
    s.hotkey2 = "ALT+80";
    s.hotkey3 = "SHIFT+77";
    s.miniClone = 21;
    s.monitor = 2;
    s.dualAudio = 22;
    s.audioSource1 = "Webcam Microphone";
    s.audioInput1 = "Mic";
    s.audioOutput1 = "Capture";
    s.autoMark = 23;
    s.position = "-1280,40";
    s.scale = 150;
    s.setup = 1;
    s.convertMP4 = 24;
    s.convertMP3 = 25;
    s.marked = 26;
    s.recOption = 2;
    s.smartMic = 27;
    s.procVolume = 90;
    return s;
}

std::vector<std::string> splitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));  // the notice, without a line end
    return lines;
}

Settings parsed(const std::string& text, Settings start = {}) {
    parseSettingsText(text, start);
    return start;
}

TEST(SettingsFile, WritesTheExactLayout) {
    const std::vector<std::string> lines = splitCrLf(formatSettingsFile(distinctRecord()));
    const std::vector<std::string> expected = {
        "Talvora Settings -- Do not delete or alter",
        std::string(53, '*'),
        "Recording Folder: /home/ana/Videos/Talvora Recordings",
        "Protocol: 1",
        "Video Bitrate: 1200",
        "Audio Bitrate: 64",
        "Frame Rate: 29.97",
        "Audio Source: VozEza5",
        "Audio Input: Line In",
        "Audio Output: Out",
        "Max File Time: 3600",
        "Audio Only: 2",
        "Video Only: 3",
        "OnTop: 4",
        "VistaAudio: 5",
        "SetTopWindow: 6",
        "xTop: -7",
        "yTop: 8",
        "xBottom: 1920",
        "yBottom: 1080",
        "MPEG-4: 9",
        "Bitcount: 32",
        "Filters: 10",
        "Cursor: 11",
        "Install: 12",
        "User: 13",
        "Message: 14",
        "ShowVideo: 15",
        "AutoMark: 16",
        "Basic: 17",
        "Defaults: 18",
        "Minimize: 19",
        "Size: 120",
        "FullScreen: 2",
        "HideWindow: 20",
        "Hotkey1: CTRL+83",
        "Hotkey2: ALT+80",
        "Hotkey3: SHIFT+77",
        "MiniClone: 21",
        "Monitor: 2",
        "Dual Audio: 22",
        "Audio Source1: Webcam Microphone",
        "Audio Input1: Mic",
        "Audio Output1: Capture",
        "AutoMark: 23",
        "Position: -1280,40",
        "Scale: 150",
        "Setup: 1",
        "ConvertMP4: 24",
        "ConvertMP3: 25",
        "Marked: 26",
        "RecOption: 2",
        "SmartMic: 27",
        "ProcVolume: 90",
        "",
        std::string(53, '*'),
        std::string(kSettingsNotice),
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(expected.size(), 2 + kSettingsDataLineCount + 3);
}

TEST(SettingsFile, EveryLineEndsWithCrLfAndTheNoticeHasNone) {
    const std::string text = formatSettingsFile(distinctRecord());
    std::size_t lineFeeds = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++lineFeeds;
            ASSERT_GT(i, 0u);
            EXPECT_EQ(text[i - 1], '\r') << "at byte " << i;
        }
    }
    EXPECT_EQ(lineFeeds, 2 + kSettingsDataLineCount + 2);
    const std::string tail = "\r\n\r\n" + std::string(53, '*') + "\r\n" + std::string(kSettingsNotice);
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST(SettingsFile, DefaultRecordWritesZerosEmptyTextsAndRecOptionMinusOne) {
    const std::vector<std::string> lines = splitCrLf(formatSettingsFile(Settings{}));
    EXPECT_EQ(lines[2], "Recording Folder: ");
    EXPECT_EQ(lines[6], "Frame Rate: 0.00");
    EXPECT_EQ(lines[51], "RecOption: -1");
}

TEST(SettingsFile, RewritingAReadFileIsByteIdentical) {
    const std::string first = formatSettingsFile(distinctRecord());
    Settings again = distinctRecord();  // the two fields the reader never loads keep their values
    again = parsed(first, again);
    EXPECT_EQ(formatSettingsFile(again), first);
    EXPECT_EQ(formatSettingsFile(distinctRecord()), first);
}

TEST(SettingsFile, ReadingAWrittenFileRestoresEveryLoadedField) {
    const Settings original = distinctRecord();
    const Settings back = parsed(formatSettingsFile(original));
    Settings expected = original;
    expected.autoMarkWindow = 0;  // never loaded: keeps the previous value
    expected.minimize = 0;        // never loaded
    EXPECT_EQ(back, expected);
}

TEST(SettingsFile, FrameRateIsWrittenWithTwoDecimals) {
    struct Case {
        float rate;
        const char* line;
    };
    const Case cases[] = {
        {29.97f, "Frame Rate: 29.97"},
        {15.0f, "Frame Rate: 15.00"},
        {25.0f, "Frame Rate: 25.00"},
        {0.125f, "Frame Rate: 0.12"},  // exact binary value, ties to even as printf does
        {0.375f, "Frame Rate: 0.38"},
        {-0.0f, "Frame Rate: -0.00"},
        {1e20f, "Frame Rate: 100000002004087734272.00"},
        {std::numeric_limits<float>::infinity(), "Frame Rate: inf"},
        {-std::numeric_limits<float>::infinity(), "Frame Rate: -inf"},
        {std::numeric_limits<float>::quiet_NaN(), "Frame Rate: nan"},
    };
    for (const Case& c : cases) {
        Settings s;
        s.frameRate = c.rate;
        EXPECT_EQ(splitCrLf(formatSettingsFile(s))[6], c.line);
    }
    Settings largest;
    largest.frameRate = std::numeric_limits<float>::max();
    EXPECT_EQ(splitCrLf(formatSettingsFile(largest))[6],
              "Frame Rate: 340282346638528859811704183484516925440.00");
}

TEST(SettingsFile, AbsentKeysKeepTheirPreviousValues) {
    Settings before = distinctRecord();
    const Settings after = parsed("Protocol: 7\r\nHotkey2: ALT+65\r\n", before);
    before.protocol = 7;
    before.hotkey2 = "ALT+65";
    EXPECT_EQ(after, before);
}

TEST(SettingsFile, RepeatedKeyTakesItsLastValue) {
    EXPECT_EQ(parsed("Size: 100\r\nSize: 150\r\n").size, 150);
}

TEST(SettingsFile, BothAutoMarkLinesLoadTheTrackingFlag) {
    Settings start;
    start.autoMarkWindow = 5;
    const Settings s = parsed("AutoMark: 1\r\nAutoMark: 0\r\n", start);
    EXPECT_EQ(s.autoMark, 0);
    EXPECT_EQ(s.autoMarkWindow, 5);
    EXPECT_EQ(parsed("AutoMark: 0\r\nAutoMark: 1\r\n").autoMark, 1);
}

TEST(SettingsFile, MinimizeIsNeverRead) {
    Settings start;
    start.minimize = 3;
    EXPECT_EQ(parsed("Minimize: 1\r\n", start), start);
}

// The first key of the matching list found anywhere in the line takes it.
TEST(SettingsFile, KeyMatchingUsesTheListOrderAndSubstrings) {
    struct Case {
        const char* line;
        void (*check)(const Settings&);
    };
    const Case cases[] = {
        {"Recording Folder: /srv/Position: 5,5",
         [](const Settings& s) {
             EXPECT_EQ(s.position, "5,5");
             EXPECT_EQ(s.recordingFolder, "");
         }},
        {"Hotkey1: FullScreen: 2",
         [](const Settings& s) {
             EXPECT_EQ(s.fullScreen, 2);
             EXPECT_EQ(s.hotkey1, "");
         }},
        {"Audio Source: My AutoMark: 1 mic",
         [](const Settings& s) {
             EXPECT_EQ(s.autoMark, 1);
             EXPECT_EQ(s.audioSource, "");
         }},
        {"Audio Source1: Headset", [](const Settings& s) { EXPECT_EQ(s.audioSource1, "Headset"); }},
        {"Audio Source: Headset", [](const Settings& s) { EXPECT_EQ(s.audioSource, "Headset"); }},
        {"  junk before MyProtocol: 4", [](const Settings& s) { EXPECT_EQ(s.protocol, 4); }},
        {"Recording Folder: a Size: b", [](const Settings& s) { EXPECT_EQ(s.recordingFolder, "a Size: b"); }},
        {"Cursor: 1 Filters: 2",
         [](const Settings& s) {
             EXPECT_EQ(s.cursor, 1);
             EXPECT_EQ(s.filters, 0);
         }},
        {"Filters: 2 Cursor: 1",
         [](const Settings& s) {
             EXPECT_EQ(s.cursor, 1);  // "Cursor: " stands before "Filters: " in the list
             EXPECT_EQ(s.filters, 0);
         }},
        {"Recording Folder: Recording Folder: x",
         [](const Settings& s) { EXPECT_EQ(s.recordingFolder, "Recording Folder: x"); }},
        {"Protocol:4", [](const Settings& s) { EXPECT_EQ(s.protocol, 0); }},
        {"protocol: 4", [](const Settings& s) { EXPECT_EQ(s.protocol, 0); }},
        {"Protocol  4", [](const Settings& s) { EXPECT_EQ(s.protocol, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        c.check(parsed(std::string(c.line) + "\r\n"));
    }
}

TEST(SettingsFile, IntegersAreReadLikeAtoiAndClamped) {
    struct Case {
        const char* value;
        int expected;
    };
    const Case cases[] = {
        {"42", 42},
        {"  42", 42},
        {"\t\v\f 7", 7},
        {"+7", 7},
        {"-13", -13},
        {"12abc", 12},
        {"12 34", 12},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"- 5", 0},
        {"--5", 0},
        {"0x10", 0},
        {"007", 7},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", INT_MAX},
        {"-2147483649", INT_MIN},
        {"99999999999999999999", INT_MAX},
        {"-99999999999999999999999999999999999999", INT_MIN},
        {"000000000000000000000000000001", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(parsed(std::string("Max File Time: ") + c.value + "\r\n").maxFileTime, c.expected);
    }
}

TEST(SettingsFile, FrameRateIsReadLikeAtof) {
    struct Case {
        const char* value;
        float expected;
    };
    constexpr float inf = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        {"29.97", 29.97f}, {"  15", 15.0f},   {"+2.5e1", 25.0f}, {"-1.5", -1.5f}, {"12abc", 12.0f},
        {"abc", 0.0f},     {"", 0.0f},        {"29,97", 29.0f},  {"0x1p4", 16.0f}, {"1e400", inf},
        {"-1e400", -inf},  {"1e39", inf},     {"1e-400", 0.0f},  {"inf", inf},     {"-Infinity", -inf},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(parsed(std::string("Frame Rate: ") + c.value + "\r\n").frameRate, c.expected);
    }
    EXPECT_TRUE(std::isnan(parsed("Frame Rate: nan\r\n").frameRate));
    EXPECT_TRUE(std::isnan(parsed("Frame Rate: -nan\r\n").frameRate));
}

TEST(SettingsFile, NumbersDoNotFollowTheUsersLocale) {
    // A decimal comma would turn "29.97" into 29 and write "29,97".
    test::DecimalCommaLocale comma;
    ASSERT_TRUE(comma.active()) << "no locale with a decimal comma is installed (scripts/deps generates one)";
    Settings s;
    s.frameRate = 29.97f;
    const std::string text = formatSettingsFile(s);
    const float back = parsed(text).frameRate;
    comma.restore();
    EXPECT_NE(text.find("Frame Rate: 29.97\r\n"), std::string::npos);
    EXPECT_EQ(back, 29.97f);
}

TEST(SettingsFile, TextsKeepEverythingToTheLineEnd) {
    const Settings s = parsed("Audio Input:  two  blanks \"quoted\"\t\r\n");
    EXPECT_EQ(s.audioInput, " two  blanks \"quoted\"\t");
    EXPECT_EQ(parsed("Hotkey1: \r\n", distinctRecord()).hotkey1, "");
}

TEST(SettingsFile, OnlyTheCrOfTheLineEndIsRemoved) {
    EXPECT_EQ(parsed("Audio Input: a\rb\r\n").audioInput, "a\rb");
    EXPECT_EQ(parsed("Audio Input: ab\r\r\n").audioInput, "ab\r");
    EXPECT_EQ(parsed("Audio Input: ab\n").audioInput, "ab");  // a bare LF ends a line too
    EXPECT_EQ(parsed("Protocol: 4\rVideo Bitrate: 5\r\n").protocol, 4);
    EXPECT_EQ(parsed("Protocol: 4\rVideo Bitrate: 5\r\n").videoBitrate, 0);
}

// A value with a line break would end its line early and start one that a
// later read takes for another key: the writer leaves CR and LF out.
TEST(SettingsFile, TextsAreWrittenWithoutLineBreaks) {
    Settings s = distinctRecord();
    s.audioInput = "ab\r";
    s.audioSource = "Zoom\r\nMeeting\n";
    s.position = "\n\n12,34";
    s.audioSource1 = "Head\rset";
    const std::string text = formatSettingsFile(s);
    EXPECT_EQ(splitCrLf(text).size(), 2 + kSettingsDataLineCount + 3);
    const Settings back = parsed(text);
    EXPECT_EQ(back.audioInput, "ab");
    EXPECT_EQ(back.audioSource, "ZoomMeeting");
    EXPECT_EQ(back.position, "12,34");
    EXPECT_EQ(back.audioSource1, "Headset");
    EXPECT_EQ(back.protocol, s.protocol);
}

TEST(SettingsFile, LastLineWithoutLineEndIsLost) {
    Settings start = distinctRecord();
    const Settings s = parsed("Protocol: 4\r\nVideo Bitrate: 9", start);
    EXPECT_EQ(s.protocol, 4);
    EXPECT_EQ(s.videoBitrate, start.videoBitrate);

    std::string file = formatSettingsFile(distinctRecord());
    // Cut the file after "ProcVolume: 90" without its line end.
    file.resize(file.find("ProcVolume: 90") + std::string("ProcVolume: 90").size());
    Settings empty;
    EXPECT_EQ(parsed(file, empty).procVolume, 0);
    EXPECT_EQ(parsed(file, empty).smartMic, 27);
}

TEST(SettingsFile, ANulByteHidesTheLineEnd) {
    EXPECT_EQ(parsed(std::string("Protocol: 4\0junk\r\nSize: 3\r\n", 27)).protocol, 0);
    EXPECT_EQ(parsed(std::string("Protocol: 4\0junk\r\nSize: 3\r\n", 27)).size, 3);
    EXPECT_EQ(parsed(std::string("\0\r\nSize: 3\r\n", 12)).size, 3);
}

TEST(SettingsFile, LongLinesAreReadInPiecesOf19999Characters) {
    const std::size_t limit = kSettingsMaxLineChars;
    // 19,998 characters and the line end fit into one piece.
    {
        const std::string line = std::string(limit - 1 - 11, 'x') + "Protocol: 5";
        ASSERT_EQ(line.size(), limit - 1);
        EXPECT_EQ(parsed(line + "\r\n").protocol, 5);
    }
    // 19,999 characters: the line end is the next piece; the line is lost.
    {
        const std::string line = std::string(limit - 11, 'x') + "Protocol: 5";
        EXPECT_EQ(parsed(line + "\r\n").protocol, 0);
    }
    // The remainder of an over-long line is read as a line of its own.
    {
        const std::string line = std::string(limit, 'x') + "Protocol: 6";
        EXPECT_EQ(parsed(line + "\r\nSize: 2\r\n").protocol, 6);
        EXPECT_EQ(parsed(line + "\r\nSize: 2\r\n").size, 2);
    }
    // A key in the first piece of an over-long line is lost.
    {
        const std::string line = "Protocol: 7" + std::string(20000, '1');
        EXPECT_EQ(parsed(line + "\r\n").protocol, 0);
    }
}

TEST(SettingsFile, CrLfCountsAsOneCharacterOfTheLimit) {
    // Text mode turns CR LF into LF before the characters are counted.
    const std::string line = std::string(kSettingsMaxLineChars - 1 - 11, 'x') + "Protocol: 5";
    EXPECT_EQ(parsed(line + "\r\n").protocol, 5);
    EXPECT_EQ(parsed(line + "\n").protocol, 5);
}

TEST(SettingsFile, LongTextsAreCutToTheirCapacity) {
    const Settings s = parsed("Recording Folder: " + std::string(2500, 'f') + "\r\nHotkey1: " +
                              std::string(150, 'h') + "\r\nAudio Source1: " + std::string(1200, 's') +
                              "\r\nPosition: " + std::string(100, '1') + "\r\n");
    EXPECT_EQ(s.recordingFolder, std::string(1999, 'f'));
    EXPECT_EQ(s.hotkey1, std::string(99, 'h'));
    EXPECT_EQ(s.audioSource1, std::string(999, 's'));
    EXPECT_EQ(s.position, std::string(99, '1'));
}

TEST(SettingsFile, CutsDoNotSplitUtf8Characters) {
    // "€" is three bytes; 97 ASCII bytes leave room for only two of them.
    const std::string value = std::string(97, 'a') + "\xE2\x82\xAC";
    EXPECT_EQ(parsed("Hotkey3: " + value + "\r\n").hotkey3, std::string(97, 'a'));
    const std::string fits = std::string(96, 'a') + "\xE2\x82\xAC";
    EXPECT_EQ(parsed("Hotkey3: " + fits + "x\r\n").hotkey3, fits);

    std::string field;
    assignText(field, "\xC3\xA9\xC3\xA9", 4);  // "éé" into 3 bytes
    EXPECT_EQ(field, "\xC3\xA9");
}

TEST(SettingsFile, GarbageIsIgnored) {
    const Settings start = distinctRecord();
    EXPECT_EQ(parsed(std::string("\x01\x02\xff\xfe\r\n\r\n\n\n***\r\nKey: value\r\n"), start), start);
    EXPECT_EQ(parsed("", start), start);
}

TEST(SettingsFile, UpperCasesOnlyAsciiLettersOfTheHotkeys) {
    Settings s;
    s.hotkey1 = "ctrl+83";
    s.hotkey2 = "alt+80";
    s.hotkey3 = "sHiFt+77 \xC3\xA9";
    s.audioSource = "lower";
    upperCaseHotkeys(s);
    EXPECT_EQ(s.hotkey1, "CTRL+83");
    EXPECT_EQ(s.hotkey2, "ALT+80");
    EXPECT_EQ(s.hotkey3, "SHIFT+77 \xC3\xA9");
    EXPECT_EQ(s.audioSource, "lower");
}

// The values of a fresh installation, as shipped in resources/.
Settings shippedTemplateRecord() {
    Settings s;
    s.protocol = 1;
    s.videoBitrate = 1200;
    s.audioBitrate = 64;
    s.frameRate = 15.0f;
    s.audioSource = "VozEza5";
    s.audioOutput = "Out";
    s.xTop = 150;
    s.yTop = 170;
    s.xBottom = 800;
    s.yBottom = 550;
    s.bitcount = 32;
    s.cursor = 1;
    s.showVideo = 1;
    s.size = 100;
    s.hotkey1 = "CTRL+120";  // F9 ... F11: keys no common program takes
    s.hotkey2 = "CTRL+121";
    s.hotkey3 = "CTRL+122";
    s.miniClone = 1;
    s.monitor = 1;
    s.dualAudio = 1;  // both sides of a call, the microphone asked for at the first start
    s.autoMark = 1;
    s.position = "0,0";
    s.setup = 0;
    s.recOption = -1;
    s.procVolume = 0;
    return s;
}

TEST(SettingsFile, ShippedTemplateIsInTheExactFileFormat) {
    const std::filesystem::path file = std::filesystem::path(TALVORA_SOURCE_DIR) / "resources/settings_rp_goog_init.ini";
    std::ifstream in(file, std::ios::binary);
    ASSERT_TRUE(in) << file;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, formatSettingsFile(shippedTemplateRecord()));
}

}  // namespace
}  // namespace talvora
