#include "targets/MotionScanThread.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "FakePlatform.h"
#include "SyntheticScreens.h"
#include "platform/desktop/fake/FakeScreenCopy.h"

namespace talvora {
namespace {

using platform::Rect;
using ::testing::ElementsAre;

constexpr platform::MessageId kReplicast = 0xC123;
const Rect kVideo{640, 340, 1280, 700};

class MotionScanThreadTest : public ::testing::Test {
protected:
    MotionScanThreadTest() {
        scanner.setWait([this](int ms) { waits.push_back(ms); });
        recorder = fake.windows.add("Talvora", {0, 0, 10, 10});
    }

    // Copies with an even index show phase 0 of `video`, odd ones phase 1.
    void playVideo(const Rect& video) {
        screen.draw = [video](int index, const Rect& area, std::uint8_t* pixels) {
            ScanFrame frame(area.width(), area.height());
            test::paintVideo(frame, video, index % 2);
            std::memcpy(pixels, frame.data(), static_cast<std::size_t>(area.width()) * area.height() * 4);
        };
    }

    void run(int monitor = 1) { scanner.run({monitor, recorder, kReplicast}); }
    std::vector<std::intptr_t> posts() const {
        std::vector<std::intptr_t> codes;
        for (const auto& p : fake.messages.posted) {
            EXPECT_EQ(p.window, recorder);
            EXPECT_EQ(p.message, kReplicast);
            EXPECT_EQ(p.wParam, p.lParam);
            codes.push_back(p.wParam);
        }
        return codes;
    }

    test::FakePlatform fake;
    platform::FakeScreenCopy screen;
    MotionScanThread scanner{{fake.display, screen, fake.windows, fake.messages, fake.messageBox}};
    std::vector<int> waits;
    platform::WindowId recorder = 0;
};

TEST_F(MotionScanThreadTest, AVideoIsFoundOnTheSecondAnalysedScanAndReportedWith777) {
    playVideo(kVideo);
    run();
    EXPECT_THAT(posts(), ElementsAre(777));
    EXPECT_EQ(screen.copies, 4);
    EXPECT_THAT(waits, ElementsAre(900, 800));
    // The fake display's edge width is 4.
    EXPECT_EQ(scanner.result(), (Rect{644, 341, 1276, 700}));
    EXPECT_EQ(screen.areas[0], (Rect{0, 0, 1920, 1040}));
    EXPECT_EQ(scanner.grabError(), 0);
}

TEST_F(MotionScanThreadTest, TwentyQuietScansEndTheSearchWith1111) {
    // 40 pixels of an animated icon change: too few to count.
    playVideo({10, 500, 50, 501});
    run();
    EXPECT_THAT(posts(), ElementsAre(1111));
    EXPECT_EQ(screen.copies, 40);
    // The delays step down from 900 to 200 and start again at 1000.
    ASSERT_EQ(waits.size(), 41u);
    EXPECT_THAT(std::vector<int>(waits.begin(), waits.begin() + 20),
                ElementsAre(900, 150, 800, 150, 700, 150, 600, 150, 500, 150, 400, 150, 300, 150, 200, 150, 1000, 150,
                            900, 150));
    EXPECT_EQ(waits.back(), 2000);
    EXPECT_TRUE(fake.messageBox.shown().empty());
}

TEST_F(MotionScanThreadTest, ElevenAnalysedScansWithoutAVideoEndTheSearch) {
    playVideo({100, 200, 404, 600});  // too narrow
    run();
    EXPECT_THAT(posts(), ElementsAre(1111));
    EXPECT_EQ(screen.copies, 22);
}

TEST_F(MotionScanThreadTest, MotionInsideTheRecorderWindowDoesNotCount) {
    fake.windows.get(recorder)->rect = {600, 300, 1300, 750};
    playVideo(kVideo);
    run();
    EXPECT_THAT(posts(), ElementsAre(1111));
    EXPECT_EQ(screen.copies, 40);  // all quiet
}

TEST_F(MotionScanThreadTest, AFailedScreenCopyIsReportedAndEndsTheSearch) {
    screen.failAt = 1;
    run();
    EXPECT_THAT(posts(), ElementsAre(1111));
    EXPECT_EQ(scanner.grabError(), platform::ScreenCopy::kCopyFailed);
    EXPECT_THAT(fake.messageBox.texts(), ElementsAre("\r\nERROR errorBitmap=4"));
    EXPECT_EQ(waits.back(), 1000);
}

TEST_F(MotionScanThreadTest, AVanishedSecondMonitorOrATinyWorkAreaEndsQuietly) {
    // Monitor 2 asked for, one monitor left: the primary screen's work area.
    fake.display.setSingle(1280, 720, 30);
    run(2);
    EXPECT_EQ(screen.areas.front(), (Rect{0, 0, 1280, 690}));
    EXPECT_THAT(posts(), ElementsAre(1111));

    fake.messages.posted.clear();
    screen.areas.clear();
    fake.display.setSingle(1, 31, 30);
    run(2);
    EXPECT_EQ(screen.areas.front(), (Rect{0, 0, 1, 1}));
    EXPECT_THAT(posts(), ElementsAre(1111));
    EXPECT_EQ(scanner.grabError(), 0);
}

TEST_F(MotionScanThreadTest, MonitorTwoIsSearchedWhenItExists) {
    fake.display.monitorList = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                                {{1920, 0, 3840, 1080}, {1920, 0, 3840, 1040}}};
    playVideo(kVideo);
    run(2);
    EXPECT_EQ(screen.areas.front(), (Rect{1920, 0, 3840, 1040}));
    EXPECT_EQ(scanner.result(), (Rect{1920 + 644, 341, 1920 + 1276, 700}));
}

TEST_F(MotionScanThreadTest, ThePrimaryMonitorIsFoundWhereverItLies) {
    // The primary screen is the right one of two.
    fake.display.monitorList = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                                {{1920, 0, 3840, 1080}, {1920, 0, 3840, 1040}}};
    fake.display.desktop = {1920, 0, 3840, 1080};
    run(1);
    EXPECT_EQ(screen.areas.front(), (Rect{1920, 0, 3840, 1040}));
    screen.areas.clear();
    run(2);
    EXPECT_EQ(screen.areas.front(), (Rect{0, 0, 1920, 1040}));
}

TEST_F(MotionScanThreadTest, ANewSearchStopsTheOldOneWithoutWaitingForIt) {
    // Real waits: a still screen keeps this search going for about 17 s.
    MotionScanThread search{{fake.display, screen, fake.windows, fake.messages, fake.messageBox}};
    search.start({1, recorder, kReplicast});
    const auto before = std::chrono::steady_clock::now();
    search.start({1, recorder, kReplicast});
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
    EXPECT_TRUE(fake.messages.posted.empty());  // the stopped one reports nothing
}

}  // namespace
}  // namespace talvora
