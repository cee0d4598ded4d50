#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/desktop/linux/PipeWireScreenStream.h"
#include "platform/desktop/linux/PortalScreenReader.h"
#include "platform/desktop/linux/ScreenCastPortal.h"
#include "platform/desktop/linux/X11Display.h"
#include "tests/desktop/DesktopWait.h"

namespace platform {
namespace {

using Outcome = ScreenCastResult::Outcome;

// A second output right of the first (1280x720), of a size no other has,
// at scale 2: in XWayland's root it is 800x450 at 1280,0.
constexpr Rect kSecondInRoot{1280, 0, 2080, 450};

// Runs a command of the session's compositor.
void sway(const QStringList& arguments) {
    const QDir runtime(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    const QStringList sockets = runtime.entryList({"sway-ipc.*.sock"}, QDir::System);
    if (sockets.size() != 1) return;
    QProcess::execute("swaymsg", QStringList{"-q", "-s", runtime.filePath(sockets[0])} + arguments);
}

class ScaledMonitorTest : public ::testing::Test {
protected:
    // The desktop's outputs cannot be taken away within a session: the test
    // runs on a desktop of its own, whose portal shares its second output.
    void SetUp() override {
        second_ = qEnvironmentVariable("TALVORA_PORTAL_OUTPUT");
        if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || second_.isEmpty())
            GTEST_SKIP() << "runs on a desktop of its own: ctest -R wayland_tests_on_two_monitors";
        sway({"output", second_, "mode", "1600x900", "position", "1280", "0", "scale", "2"});
        X11Display display;
        ASSERT_TRUE(talvora::test::waitFor([&] {
            for (const Monitor& m : display.monitors())
                if (m.monitor == kSecondInRoot) return true;
            return false;
        })) << "XWayland never showed the second output";
    }

    void TearDown() override {
        terminal_.kill();
        terminal_.waitForFinished();
    }

    QString second_;
    QProcess terminal_;
};

// An area of the root on a second, scaled monitor shows that monitor's
// pixels, cut at its edge: the portal's stream is the monitor alone, at
// twice the root's size.
TEST_F(ScaledMonitorTest, AnAreaOnASecondScaledMonitorShowsItsPixels) {
    ScreenCastPortal portal;
    portal.start({});
    ASSERT_TRUE(portal.waitForFinished(10000)) << "the portal did not answer";
    ASSERT_EQ(portal.result().outcome, Outcome::Granted) << portal.result().error.toStdString();
    const ScreenCastStream& chosen = portal.result().streams.at(0);
    auto grant = std::make_shared<PortalGrant>();
    grant->stream = std::make_shared<PipeWireScreenStream>(portal.pipeWireFd(), chosen.nodeId);
    grant->position = chosen.position;
    grant->width = chosen.width;
    grant->height = chosen.height;
    PortalScreenReader reader(grant, ScreenError::None, {});

    // A blue terminal fills the second output (the compositor sends
    // pictures only of changes: it makes the first).
    sway({"focus", "output", second_});
    terminal_.start("foot", {"-o", "colors.background=0000ff", "sleep", "60"});
    ASSERT_TRUE(terminal_.waitForStarted()) << "foot does not start";

    // Across the monitor's right edge: its left part on the monitor.
    constexpr int kSide = 64;
    const Rect area{kSecondInRoot.right - kSide / 2, 200, kSecondInRoot.right + kSide / 2, 200 + kSide};
    std::vector<std::uint8_t> pixels(kSide * kSide * 4);
    const ImageView frame{pixels.data(), kSide, kSide, kSide * 4, 4};
    const auto at = [&](int column, int row) { return &pixels[(row * kSide + column) * 4]; };
    const bool shown = talvora::test::waitFor(
        [&] { return reader.read({area, 0, false, false}, frame) && at(kSide / 4, kSide / 2)[0] == 0xFF; }, 10000);
    ASSERT_TRUE(shown) << "no blue on the second monitor; stream " << grant->stream->frameSize().width << "x"
                       << grant->stream->frameSize().height << ", frames " << grant->stream->frameNumber();
    for (int row : {0, kSide / 2, kSide - 1}) {
        // Inside the monitor (within the terminal's border) blue, beyond it black.
        EXPECT_EQ(at(4, row)[0], 0xFF) << row;
        EXPECT_EQ(at(kSide / 2 - 8, row)[0], 0xFF) << row;
        EXPECT_EQ(at(kSide / 2 - 8, row)[2], 0) << row;
        EXPECT_EQ(at(kSide / 2, row)[0], 0) << row;
        EXPECT_EQ(at(kSide - 1, row)[0], 0) << row;
    }
}

}  // namespace
}  // namespace platform
