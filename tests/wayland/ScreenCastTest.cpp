#include <QProcess>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "platform/desktop/linux/PipeWireScreenStream.h"
#include "platform/desktop/linux/PortalScreenReader.h"
#include "platform/desktop/linux/ScreenCastPortal.h"
#include "platform/desktop/linux/XcbConnection.h"
#include "tests/desktop/DesktopWait.h"

namespace platform {
namespace {

using namespace std::chrono_literals;
using Outcome = ScreenCastResult::Outcome;

class ScreenCastTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) GTEST_SKIP() << "needs scripts/virtual-desktop --wayland";
        portal_.start({});
        ASSERT_TRUE(portal_.waitForFinished(10000)) << "the portal did not answer";
        ASSERT_EQ(portal_.result().outcome, Outcome::Granted) << portal_.result().error.toStdString();
    }

    void TearDown() override {
        terminal_.kill();
        terminal_.waitForFinished();
    }

    // A red terminal, which fills the tiled output. The compositor sends
    // frames only when the screen changes: opened once a stream runs, it
    // makes the stream's first frames.
    void openRedTerminal() {
        terminal_.start(QStringLiteral("foot"), {QStringLiteral("-o"), QStringLiteral("colors.background=ff0000"),
                                                 QStringLiteral("sleep"), QStringLiteral("60")});
        ASSERT_TRUE(terminal_.waitForStarted()) << "foot does not start";
    }

    ScreenCastPortal portal_;
    QProcess terminal_;
};

TEST_F(ScreenCastTest, ClosingTheSessionEndsTheStream) {
    PipeWireScreenStream stream(portal_.pipeWireFd(), portal_.result().streams.at(0).nodeId);
    openRedTerminal();
    ASSERT_TRUE(stream.waitForFrame(0, 5s)) << "no frame: " << stream.error();
    // What the user's "stop sharing" does: the portal takes the stream away.
    portal_.close();
    EXPECT_TRUE(talvora::test::waitFor([&] { return stream.state() == PipeWireScreenStream::State::Ended; }))
        << "state " << static_cast<int>(stream.state());
}

// An X11 window of one colour, drawn by XWayland until the connection
// closes: a managed one (tiled by the compositor), or an override-redirect
// one at `rect` above those, as a menu is.
xcb_window_t showX11Window(XcbConnection& x, const Rect& rect, std::uint32_t colour, bool overrideRedirect) {
    const xcb_window_t window = xcb_generate_id(x.get());
    const std::uint32_t values[] = {colour, overrideRedirect ? 1u : 0u};
    xcb_create_window(x.get(), XCB_COPY_FROM_PARENT, window, x.root(), static_cast<std::int16_t>(rect.left),
                      static_cast<std::int16_t>(rect.top), static_cast<std::uint16_t>(rect.width()),
                      static_cast<std::uint16_t>(rect.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(x.get(), window);
    xcb_flush(x.get());
    return window;
}

// A meeting window's own contents, as on X11, come whole though another
// window covers part of it on the screen (and so in the portal's stream).
TEST_F(ScreenCastTest, AWindowsOwnContentsComeFromXWaylandThoughCovered) {
    const ScreenCastStream& chosen = portal_.result().streams.at(0);
    auto grant = std::make_shared<PortalGrant>();
    grant->stream = std::make_shared<PipeWireScreenStream>(portal_.pipeWireFd(), chosen.nodeId);
    grant->position = chosen.position;
    PortalScreenReader reader(grant, ScreenError::None, {});

    XcbConnection x;
    ASSERT_TRUE(x.ok()) << "no XWayland";
    // The meeting fills the tiled output; the area lies well inside it.
    const xcb_window_t meeting = showX11Window(x, {0, 0, 640, 480}, 0x0000FF, false);
    const xcb_window_t cover = showX11Window(x, {200, 100, 400, 200}, 0xFF0000, true);
    const Rect area{100, 100, 300, 200};
    const int width = area.width(), height = area.height();
    std::vector<std::uint8_t> pixels(width * height * 4);
    const ImageView frame{pixels.data(), width, height, width * 4, 4};
    const auto at = [&](int column, int row) { return &pixels[(row * width + column) * 4]; };
    // The screen shows the meeting, with the cover over the area's right
    // half. The desktop sends pictures only of changes: the cover is drawn
    // again until then.
    const bool covered = talvora::test::waitFor(
        [&] {
            xcb_clear_area(x.get(), 0, cover, 0, 0, 0, 0);
            xcb_flush(x.get());
            return reader.read({area, meeting, false, false}, frame) && at(50, 50)[0] == 0xFF &&
                   at(150, 50)[2] == 0xFF;
        },
        10000);
    ASSERT_TRUE(covered) << "the stream never showed the meeting and its cover";

    ASSERT_TRUE(reader.read({area, meeting, true, false}, frame)) << reader.error();
    for (int column : {10, 90, 110, 190}) {
        EXPECT_EQ(at(column, 50)[0], 0xFF) << column;
        EXPECT_EQ(at(column, 50)[2], 0) << column;
    }
}

}  // namespace
}  // namespace platform
