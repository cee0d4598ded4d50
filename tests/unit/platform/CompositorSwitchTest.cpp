#include "platform/composition/CompositorSwitch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace platform {
namespace {

using ::testing::ElementsAre;
using Command = std::vector<std::string>;

const Command kXfwmOff{"xfconf-query", "-c", "xfwm4", "-p", "/general/use_compositing", "-s", "false"};
const Command kXfwmOn{"xfconf-query", "-c", "xfwm4", "-p", "/general/use_compositing", "-s", "true"};

class CompositorSwitchTest : public ::testing::Test {
protected:
    // One program's switch; each program of the test shares the marker.
    CompositorSwitch program() {
        return CompositorSwitch(marker, [this](const Command& c) {
            ran.push_back(c);
            return commandsWork;
        });
    }
    bool noted() const { return std::filesystem::exists(marker); }

    QTemporaryDir dir;
    // In a folder not made yet, as on a first start.
    const std::string marker = dir.filePath("state/talvora/compositing-off").toStdString();
    std::vector<Command> ran;
    bool commandsWork = true;
};

TEST_F(CompositorSwitchTest, ASettingLeftOffByAKilledProgramComesBackAtTheNextStart) {
    CompositorSwitch killed = program();
    ASSERT_TRUE(killed.switchOff("Xfwm4"));
    EXPECT_TRUE(noted());

    ran.clear();
    program().giveBackLeftover();
    EXPECT_THAT(ran, ElementsAre(kXfwmOn));
    EXPECT_FALSE(noted());
    program().giveBackLeftover();  // once only
    EXPECT_EQ(ran.size(), 1u);
}

TEST_F(CompositorSwitchTest, ANoteLastsOnlyWhileASettingIsOff) {
    CompositorSwitch normal = program();
    ASSERT_TRUE(normal.switchOff("Marco"));
    normal.switchOn();
    EXPECT_FALSE(noted());

    // KWin's suspension ends with the session: nothing to note.
    ASSERT_TRUE(normal.switchOff("KWin"));
    EXPECT_FALSE(noted());

    commandsWork = false;
    EXPECT_FALSE(program().switchOff("Xfwm4"));
    EXPECT_FALSE(noted());

    // Giving back that fails keeps the note for another try.
    commandsWork = true;
    CompositorSwitch unlucky = program();
    ASSERT_TRUE(unlucky.switchOff("Xfwm4"));
    commandsWork = false;
    unlucky.switchOn();
    EXPECT_TRUE(noted());
    commandsWork = true;
    ran.clear();
    program().giveBackLeftover();
    EXPECT_THAT(ran, ElementsAre(kXfwmOn));
    EXPECT_FALSE(noted());

    // A damaged note runs nothing and goes.
    std::ofstream(marker) << "rm -rf ~\n";
    ran.clear();
    program().giveBackLeftover();
    EXPECT_TRUE(ran.empty());
    EXPECT_FALSE(noted());
}

}  // namespace
}  // namespace platform
