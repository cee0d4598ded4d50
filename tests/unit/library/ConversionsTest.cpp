#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "DecimalCommaLocale.h"
#include "FakePlatform.h"
#include "library/ConversionCommand.h"
#include "library/Conversions.h"
#include "library/FileNotices.h"
#include "platform/desktop/fake/FakeNotifications.h"
#include "platform/shell/CommandLine.h"

namespace talvora {
namespace {

Settings recordingSettings() {
    Settings s;
    s.recordingFolder = "/home/u/Videos/Talvora Recordings";
    s.audioBitrate = 64;
    s.frameRate = 15.0f;
    s.xTop = 100;
    s.xBottom = 100 + 1280;
    return s;
}

std::vector<std::string> argsOf(const ConversionCommand& c) { return platform::splitCommandLine(c.parameters); }

TEST(ConversionCommandTest, VideoBitRateFollowsTheRecordingsWidth) {
    EXPECT_EQ(VideoBitrateForWidth(719), 1200);
    EXPECT_EQ(VideoBitrateForWidth(720), 2000);
    EXPECT_EQ(VideoBitrateForWidth(1280), 2000);
    EXPECT_EQ(VideoBitrateForWidth(1281), 3000);

    Settings s = recordingSettings();
    s.xTop = 1381;  // right to left still measures 1281
    s.xBottom = 100;
    const auto c = MakeConversionCommand(ConversionKind::Mp4, kAfterRecording, "/v/Zoom_070720_101530.wmv", s);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->output, "/v/Zoom_070720_101530.mp4");
    EXPECT_EQ(c->parameters,
              " -y -i \"/v/Zoom_070720_101530.wmv\" -r 15.00 -b:v 3000k -b:a 64k -vcodec libx264 -preset ultrafast "
              "\"/v/Zoom_070720_101530.mp4\"");
}

TEST(ConversionCommandTest, FrameRateIgnoresTheUsersLocale) {
    test::DecimalCommaLocale comma;
    ASSERT_TRUE(comma.active()) << "no locale with a decimal comma is installed (scripts/deps generates one)";
    Settings s = recordingSettings();
    s.frameRate = 29.97f;
    const auto c = MakeConversionCommand(ConversionKind::Mp4, kAfterRecording, "/v/x.wmv", s);
    comma.restore();
    ASSERT_TRUE(c);
    EXPECT_NE(c->parameters.find(" -r 29.97 "), std::string::npos) << c->parameters;
}

TEST(ConversionCommandTest, BrowserAndSoundCommands) {
    Settings s = recordingSettings();
    s.frameRate = 30.0f;
    const auto browser = MakeConversionCommand(ConversionKind::Mp4, kFromBrowser, s.recordingFolder + "/a b.mpg", s);
    ASSERT_TRUE(browser);
    EXPECT_EQ(argsOf(*browser),
              (std::vector<std::string>{"-y", "-i", s.recordingFolder + "/a b.mpg", "-r", "15", "-b:v", "1200k",
                                        "-b:a", "64k", "-vcodec", "libx264", "-preset", "ultrafast",
                                        s.recordingFolder + "/a b.mp4"}));

    const auto sound = MakeConversionCommand(ConversionKind::Mp3, kFromBrowser, s.recordingFolder + "/x.wmv", s);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->parameters, " -y -i \"" + s.recordingFolder + "/x.wmv\" -codec:a libmp3lame -qscale:a 5 \"" +
                                     s.recordingFolder + "/x.mp3\"");

    // Nothing to do: a name too short to lose its extension, sound of a video-only recording.
    EXPECT_FALSE(MakeConversionCommand(ConversionKind::Mp4, kAfterRecording, "a.wm", s));
    EXPECT_TRUE(MakeConversionCommand(ConversionKind::Mp4, kAfterRecording, "ab.wm", s));
    s.videoOnly = 1;
    EXPECT_FALSE(MakeConversionCommand(ConversionKind::Mp3, kAfterRecording, "/v/x.wmv", s));
    EXPECT_TRUE(MakeConversionCommand(ConversionKind::Mp4, kAfterRecording, "/v/x.wmv", s));
}

TEST(ConversionCommandTest, FileNamesReachFfmpegWhole) {
    const Settings s = recordingSettings();
    for (const std::string name : {"say \"hi\"; $(touch x).wmv", "-y.wmv", "caf\u00e9 \u00e9t\u00e9\\\".wmv",
                                   "line\nbreak.wmv"}) {
        const auto c = MakeConversionCommand(ConversionKind::Mp3, kFromBrowser, s.recordingFolder + "/" + name, s);
        ASSERT_TRUE(c);
        const std::string stem = s.recordingFolder + "/" + name.substr(0, name.size() - 4);
        EXPECT_EQ(argsOf(*c), (std::vector<std::string>{"-y", "-i", stem + ".wmv", "-codec:a", "libmp3lame",
                                                        "-qscale:a", "5", stem + ".mp3"}))
            << name;
    }
}

// A conversion on a virtual clock: each wait advances it and lets the test
// change the output file, as ffmpeg would.
class ConversionWatchTest : public ::testing::Test {
protected:
    ConversionWatchTest() {
        fp.ctx.settings = recordingSettings();
        conversions.setSleep([this](int ms) {
            now_ms += ms;
            if (conversions.converting()) sawConverting = true;
            if (ffmpeg) ffmpeg(now_ms);
        });
        conversions.setWatchEnded([this] { ++watchesEnded; });
        fp.ctx.notices = &notices;
    }
    std::string input() const { return (fp.root / "Zoom_070720_101530.wmv").string(); }
    std::string output(const char* ext = ".mp4") const { return (fp.root / ("Zoom_070720_101530" + std::string(ext))).string(); }
    void writeSize(std::uintmax_t bytes, const char* ext = ".mp4") {
        if (!std::filesystem::exists(output(ext))) std::ofstream(output(ext)).flush();
        std::filesystem::resize_file(output(ext), bytes);
    }
    // When the last status with `prefix` was shown, on the virtual clock.
    const std::pair<int, std::string>* last(const std::string& prefix) const {
        const std::pair<int, std::string>* found = nullptr;
        for (const auto& s : statuses)
            if (s.second.rfind(prefix, 0) == 0) found = &s;
        return found;
    }

    test::FakePlatform fp;
    int now_ms = 0;
    bool sawConverting = false;
    std::atomic<int> watchesEnded{0};
    std::function<void(int)> ffmpeg;
    std::vector<std::pair<int, std::string>> statuses;
    platform::FakeNotifications notifications;
    FileNotices notices{fp.ctx, notifications};
    Conversions conversions{fp.ctx, [this](const std::string& text) { statuses.emplace_back(now_ms, text); }};
};

TEST_F(ConversionWatchTest, OutputThatStopsGrowingIsDone) {
    // Grows by 1 MB each second up to 5 MB, reached at 6 s.
    ffmpeg = [this](int t) { writeSize(std::min<std::uintmax_t>(5, 1 + std::max(0, t - 2000) / 1000) << 20); };
    conversions.ConvertToMp4(kAfterRecording, input());
    conversions.waitForAll();

    ASSERT_EQ(fp.launcher.calls.size(), 1u);
    EXPECT_EQ(fp.launcher.calls[0].file, ".\\ffmpeg.exe");
    EXPECT_EQ(fp.launcher.calls[0].show, platform::ShowState::Minimized);
    const auto* done = last("Done converting: ");
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(done->second, "Done converting: 5.00 MB / 5 seconds");
    EXPECT_EQ(done->first, 6000 + 2500);
    ASSERT_NE(last("Converting to MP4: 4.00 MB / 2"), nullptr);
    EXPECT_TRUE(sawConverting);
    EXPECT_FALSE(conversions.converting());
    EXPECT_TRUE(fp.messageBox.texts().empty());
    EXPECT_EQ(watchesEnded, 1);
}

TEST_F(ConversionWatchTest, TheDesktopIsToldWhereTheFileWentOrThatItFailed) {
    ffmpeg = [this](int t) { writeSize(std::min<std::uintmax_t>(2, 1 + t / 1000) << 20); };
    conversions.ConvertToMp4(kAfterRecording, input());
    conversions.waitForAll();
    ffmpeg = nullptr;  // no MP3 appears
    conversions.ConvertToMp3(kAfterRecording, input());
    conversions.waitForAll();

    const auto sent = notifications.sent();
    ASSERT_EQ(sent.size(), 2u);
    const std::string folder = fp.root.string();
    EXPECT_EQ(sent[0].summary, "Converted to MP4");
    EXPECT_EQ(sent[0].body, "Zoom_070720_101530.mp4\nin " + folder);
    EXPECT_EQ(sent[1].summary, "Conversion to MP3 failed");
    EXPECT_EQ(sent[1].body, "Error converting to MP3.\nZoom_070720_101530.wmv\nin " + folder);
    for (const auto& notice : sent)
        EXPECT_EQ(notice.actions,
                  (std::vector<platform::NotificationAction>{{"open-folder", "Open folder"}, {"play", "Play"}}));

    // The buttons: the file's folder opens, the file plays.
    fp.launcher.calls.clear();
    notifications.press(0, "play");
    notifications.press(1, "open-folder");
    ASSERT_EQ(fp.launcher.calls.size(), 2u);
    EXPECT_EQ(fp.launcher.calls[0].file, output());
    EXPECT_EQ(fp.launcher.calls[1].file, folder);
}

TEST_F(ConversionWatchTest, OutputNeverCreated) {
    conversions.ConvertToMp4(kAfterRecording, input());
    conversions.waitForAll();
    ASSERT_EQ(statuses.size(), 1u);
    EXPECT_EQ(statuses[0], std::make_pair(3000, std::string("Error converting to MP4.")));
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{"Error converting to MP4."});
    EXPECT_FALSE(sawConverting);
    EXPECT_EQ(watchesEnded, 0);  // no watch began
}

TEST_F(ConversionWatchTest, OutputStuckBelowAThousandBytesFails) {
    for (const std::uintmax_t stuck : {0u, 999u}) {
        statuses.clear();
        fp.messageBox.clear();
        std::filesystem::remove(output(".mp3"));
        now_ms = 0;
        ffmpeg = [this, stuck](int) { writeSize(stuck, ".mp3"); };
        conversions.ConvertToMp3(kAfterRecording, input());
        conversions.waitForAll();
        const auto* failed = last("Conversion mp3 failed.");
        ASSERT_NE(failed, nullptr) << stuck;
        EXPECT_EQ(failed->first, 3000 + 12500);
        EXPECT_EQ(failed->second, "Conversion mp3 failed. Use the convert option under View.");
        EXPECT_EQ(fp.messageBox.texts(),
                  std::vector<std::string>{"Conversion mp3 failed. Use the convert option under View."});
        EXPECT_EQ(last("Done converting"), nullptr);
        EXPECT_FALSE(conversions.converting());
    }
    EXPECT_EQ(watchesEnded, 2);
}

TEST_F(ConversionWatchTest, BrowserConversionInputIsTaken) {
    std::vector<std::string> taken;
    conversions.setBrowserInputTaken([&taken](const std::string& path) { taken.push_back(path); });
    // One at a time: the fake launcher is not shared between workers.
    conversions.ConvertToMp4(kAfterRecording, input());
    conversions.waitForAll();
    conversions.ConvertToMp4(kFromBrowser, (fp.root / "Zoom 1.wmv").string());
    conversions.waitForAll();
    EXPECT_EQ(taken, std::vector<std::string>{(fp.root / "Zoom 1.wmv").string()});
}

TEST_F(ConversionWatchTest, DoneOnlyWhenFfmpegEndedWell) {
    // An older output of the name, complete and stable from the start.
    writeSize(5 << 20);
    // Still running while the output stands still, then ended well.
    fp.launcher.exitCode.reset();
    ffmpeg = [this](int t) {
        if (t >= 10000) fp.launcher.exitCode = 0;
    };
    fp.messageBox.queueAnswer(platform::IDYES);
    conversions.ConvertToMp4(kAfterRecording, input());
    conversions.waitForAll();
    const auto* done = last("Done converting: ");
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(done->first, 10000);

    // Ended with an error: failed at once, old output or not.
    statuses.clear();
    now_ms = 0;
    ffmpeg = nullptr;
    fp.launcher.exitCode = 1;
    fp.messageBox.queueAnswer(platform::IDYES);
    conversions.ConvertToMp4(kAfterRecording, input());
    conversions.waitForAll();
    EXPECT_EQ(last("Done converting"), nullptr);
    const auto* failed = last("Conversion failed.");
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(failed->first, 3250);
    EXPECT_EQ(watchesEnded, 2);
}

TEST_F(ConversionWatchTest, NeverOntoItselfNorOverAnotherFileUnasked) {
    // The MP4 of an MP4, and of a file whose MP4 name is a link to it.
    writeSize(2000, ".wmv");
    std::filesystem::create_symlink(input(), output());
    conversions.ConvertToMp4(kAfterRecording, input());
    conversions.ConvertToMp3(kFromBrowser, output(".mp3"));
    EXPECT_EQ(fp.messageBox.texts(),
              (std::vector<std::string>{"This file is already an MP4 file.", "This file is already an MP3 file."}));

    // The MP4 of x.mp3 would replace the video x.mp4: asked first.
    std::filesystem::remove(output());
    writeSize(2000);
    fp.messageBox.clear();
    fp.messageBox.queueAnswer(platform::IDNO);
    conversions.ConvertToMp4(kFromBrowser, output(".mp3"));
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{output() + " already exists. Do you want to replace it?"});
    EXPECT_TRUE(fp.launcher.calls.empty());
    fp.messageBox.queueAnswer(platform::IDYES);
    conversions.ConvertToMp4(kFromBrowser, output(".mp3"));
    conversions.waitForAll();
    EXPECT_EQ(fp.launcher.calls.size(), 1u);
}

TEST_F(ConversionWatchTest, OneConversionOfAnOutputAtATime) {
    std::atomic<bool> release{false};
    conversions.setSleep([&release](int) {
        while (!release) std::this_thread::yield();
    });
    conversions.ConvertToMp3(kAfterRecording, input());
    EXPECT_TRUE(conversions.writing(output(".mp3")));
    conversions.ConvertToMp3(kFromBrowser, input());
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{"This file is still being converted."});
    release = true;
    conversions.waitForAll();
    EXPECT_EQ(fp.launcher.calls.size(), 1u);
    EXPECT_FALSE(conversions.writing(output(".mp3")));
}

TEST_F(ConversionWatchTest, NothingStartedWithoutFfmpegOrSound) {
    fp.launcher.missing.push_back(".\\ffmpeg.exe");
    conversions.ConvertToMp4(kAfterRecording, input());
    conversions.waitForAll();
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{"Cannot find or open file ffmpeg"});
    EXPECT_TRUE(statuses.empty());

    fp.ctx.settings.videoOnly = 1;
    conversions.ConvertToMp3(kAfterRecording, input());
    conversions.waitForAll();
    EXPECT_EQ(fp.launcher.calls.size(), 1u);
}

TEST_F(ConversionWatchTest, AfterAStopTheSettingsChooseTheConversions) {
    ConvertFinishedRecording(fp.ctx, input());  // not wired in: nothing
    fp.ctx.conversions = &conversions;
    ConvertFinishedRecording(fp.ctx, input());
    conversions.waitForAll();
    EXPECT_TRUE(fp.launcher.calls.empty());

    // One switch at a time: the fakes are not shared between workers.
    for (const auto& [mp4, mp3, ext] : {std::tuple{1, 0, ".mp4"}, std::tuple{0, 1, ".mp3"}}) {
        fp.launcher.calls.clear();
        fp.ctx.settings.convertMP4 = mp4;
        fp.ctx.settings.convertMP3 = mp3;
        ConvertFinishedRecording(fp.ctx, input());
        conversions.waitForAll();
        ASSERT_EQ(fp.launcher.calls.size(), 1u);
        EXPECT_EQ(platform::splitCommandLine(fp.launcher.calls[0].parameters).back(), output(ext));
    }
}

}  // namespace
}  // namespace talvora
