#include <gtest/gtest.h>

#include "app/CmdLineInfo.h"
#include "app/DecimalText.h"
#include "app/DisplayScales.h"

namespace talvora {
namespace {

LaunchSwitches switchesOf(const std::vector<std::string>& parameters) {
    CmdLineInfo info;
    info.parse(parameters);
    return LaunchSwitches::from(info);
}

TEST(CmdLineInfoTest, SwitchesWithDashOrSlashAndTheirValues) {
    const LaunchSwitches s = switchesOf({"/installer", "-x1", "1920", "/w1", "1920", "-y1", "1080", "/w2", "2560"});
    EXPECT_TRUE(s.installer);
    EXPECT_EQ(s.x1, 1920);
    EXPECT_EQ(s.w1, 1920);
    EXPECT_EQ(s.y1, 1080);
    EXPECT_EQ(s.w2, 2560);
}

TEST(CmdLineInfoTest, OnlySwitchesCountAndValueSwitchAsLastReadsZero) {
    EXPECT_FALSE(switchesOf({"installer"}).installer);  // a plain word is not the switch
    EXPECT_EQ(switchesOf({"w1", "1920"}).w1, 0);
    EXPECT_EQ(switchesOf({"-w1"}).w1, 0);
    EXPECT_EQ(switchesOf({"-x1", "abc"}).x1, 0);
    EXPECT_EQ(switchesOf({"-W1", "1920"}).w1, 0);  // names are exact
}

TEST(CmdLineInfoTest, ParametersPastTwentyAreCountedNotStored) {
    std::vector<std::string> parameters(25, "p");
    parameters[21] = "-w1";
    parameters[22] = "1920";
    CmdLineInfo info;
    info.parse(parameters);
    EXPECT_EQ(info.count(), 25);
    EXPECT_EQ(info.stored(), 20);
    EXPECT_EQ(LaunchSwitches::from(info).w1, 0);

    // A value switch in the 20th place has no stored value after it.
    std::vector<std::string> edge(19, "p");
    edge.push_back("-w1");
    edge.push_back("1920");
    info = CmdLineInfo();
    info.parse(edge);
    EXPECT_EQ(LaunchSwitches::from(info).w1, 0);
}

TEST(CmdLineInfoTest, LongParametersAreCutAndTheLastIsMarked) {
    CmdLineInfo info;
    info.parse({std::string(150, 'a'), "b"});
    EXPECT_EQ(info.entry(0).text.size(), 99u);
    EXPECT_FALSE(info.entry(0).isLast);
    EXPECT_TRUE(info.entry(1).isLast);
}

TEST(DecimalTextTest, ReadsLikeTheSystemAndClampsHugeValues) {
    const std::pair<const char*, int> cases[] = {
        {"  42abc", 42}, {"-17", -17}, {"+5", 5}, {"x5", 0}, {"", 0}, {"-", 0},
        {"99999999999999999999", 2147483647}, {"-2147483648", -2147483647 - 1}, {"-2147483649", -2147483647 - 1},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(parseDecimalInt(text), value) << text;
}

TEST(DisplayScalesTest, MainAndSecondScales) {
    EXPECT_EQ(DisplayScales::compute(1536, 1920, 0, 0, 0).mainScale, 80);
    EXPECT_EQ(DisplayScales::compute(1920, 1920, 0, 0, 0).mainScale, 100);
    EXPECT_EQ(DisplayScales::compute(1920, 0, 120, 0, 0).mainScale, 120);  // no w1: the Size setting
    EXPECT_DOUBLE_EQ(DisplayScales::compute(1920, 1920, 0, 1280, 2560).secondScale, 50.0);
    EXPECT_DOUBLE_EQ(DisplayScales::compute(1920, 1920, 0, 1280, 0).secondScale, 100.0);
    EXPECT_DOUBLE_EQ(DisplayScales::compute(1920, 1920, 0, 0, 0).layoutMultiplier, 1.0);
}

}  // namespace
}  // namespace talvora
