#include <gtest/gtest.h>

#include "FakePlatform.h"
#include "audio/SilenceCompanion.h"

namespace {

struct Case {
    const char* name;
    int vistaAudio;
    int videoOnly;
    bool alreadyRunning;
    bool appearsAfterStart;
    bool expectedResult;
    std::size_t expectedStarts;
    std::size_t expectedLooks;
};

class SilenceCompanionStart : public ::testing::TestWithParam<Case> {};

TEST_P(SilenceCompanionStart, StartsOnlyWhenNeededAndWaitsAtMostTwentySeconds) {
    const Case& c = GetParam();
    talvora::test::FakePlatform fake;
    fake.ctx.settings.vistaAudio = c.vistaAudio;
    fake.ctx.settings.videoOnly = c.videoOnly;
    if (c.alreadyRunning) fake.windows.add("Silence");
    fake.pump.onPump = [&](int) {
        if (c.appearsAfterStart && fake.pump.durations().size() == 3) fake.windows.add("Silence");
    };

    EXPECT_EQ(talvora::StartSilenceCompanion(fake.ctx), c.expectedResult);

    ASSERT_EQ(fake.launcher.calls.size(), c.expectedStarts);
    if (c.expectedStarts != 0) {
        EXPECT_EQ(fake.launcher.calls[0].verb, "open");
        EXPECT_EQ(fake.launcher.calls[0].file, ".\\hushloop.exe");
        EXPECT_EQ(fake.launcher.calls[0].show, platform::ShowState::Hidden);
    }
    EXPECT_EQ(fake.pump.durations(), std::vector<int>(c.expectedLooks, 1000));
    EXPECT_TRUE(fake.messageBox.shown().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SilenceCompanionStart,
    ::testing::Values(Case{"NoLoopback", 0, 0, false, true, false, 0, 0},
                      Case{"VideoOnly", 1, 1, false, true, false, 0, 0},
                      Case{"AlreadyRunning", 1, 0, true, false, true, 0, 0},
                      Case{"AppearsAtTheThirdLook", 1, 0, false, true, true, 1, 3},
                      Case{"NeverAppearsSilently", 1, 0, false, false, false, 1, 20}),
    [](const ::testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

}  // namespace
