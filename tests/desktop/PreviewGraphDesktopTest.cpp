// The preview graph with the real screen capture and renderer, drawing into
// a Qt widget that stands for the recorder window (run under
// scripts/virtual-desktop).
#include <QElapsedTimer>
#include <QWidget>
#include <gmock/gmock.h>

#include <cstdio>
#include <memory>

#include "DesktopWait.h"
#include "X11DesktopPlatform.h"
#include "capture/PreviewGraph.h"
#include "platform/desktop/linux/X11ScreenSource.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/fake/FakePropertyPages.h"
#include "platform/media/linux/VideoFilters.h"
#include "platform/media/linux/VideoRendererWidget.h"

namespace talvora {
namespace {

using platform::VideoRendererWidget;

struct WidgetHost : PreviewHost {
    explicit WidgetHost(QWidget& w) : widget(w) {}
    platform::WindowId recorderWindow() override { return static_cast<platform::WindowId>(widget.winId()); }
    double interfaceScale() const override { return 1.5; }
    RecordingHost::ClientLayout clientLayout() override { return {widget.width(), widget.height(), 20, 60}; }
    void refreshLayeredStyle() override {}
    CaptureTarget captureTarget() override { return {}; }
    QWidget& widget;
};

TEST(PreviewGraphDesktopTest, ShowsTheCapturedScreenInTheRecorderWindowUntilRestarted) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "no X display (run under scripts/virtual-desktop)";
    test::X11DesktopPlatform desktop("/tmp");
    Settings& s = desktop.ctx.settings;
    s.showVideo = 1;
    s.bitcount = 32;
    s.xTop = 0;
    s.yTop = 0;
    s.xBottom = 640;
    s.yBottom = 480;

    platform::X11ScreenSource screen;
    platform::FilterRegistry registry;
    platform::registerVideoFilters(registry, screen, desktop.log);
    platform::FakePropertyPages pages;
    GraphToolkit toolkit(registry, desktop.log, pages);
    QWidget recorder;
    recorder.resize(760, 420);
    recorder.show();
    WidgetHost host(recorder);
    PreviewGraph preview(desktop.ctx, toolkit, registry, host);
    preview.createGraph();
    preview.setEnabled(true);

    for (const int miniClone : {0, 1}) {
        SCOPED_TRACE(miniClone);
        s.miniClone = miniClone;
        QElapsedTimer sinceShow;
        sinceShow.start();
        ASSERT_EQ(preview.show(), 1) << desktop.messageBox.texts().front();
        auto* drawing = recorder.findChild<VideoRendererWidget*>();
        ASSERT_TRUE(drawing);
        ASSERT_TRUE(test::waitFor([&] { return drawing->isVisible() && drawing->frame() != nullptr; }));
        std::printf("preview %d: first frame drawn %lld ms after show\n", miniClone,
                    static_cast<long long>(sinceShow.elapsed()));
        EXPECT_EQ(drawing->geometry(), miniClone == 0 ? QRect(292, 58, 451, 205) : QRect(0, 60, 761, 340));

        // A restart leaves the recorder window without the old video.
        preview.restart();
        EXPECT_EQ(recorder.findChild<VideoRendererWidget*>(), nullptr);
        EXPECT_FALSE(preview.active());
    }
    EXPECT_TRUE(desktop.messageBox.texts().empty());
}

}  // namespace
}  // namespace talvora
