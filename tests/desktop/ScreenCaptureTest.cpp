// The screen capture, tee and renderer on a real X server (run under
// scripts/virtual-desktop): windows of known colours at known places, a graph
// of screen capture -> a collecting sink, and the pixels, counts and
// timestamps that arrive.
#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/core/fake/FakeLog.h"
#include "platform/desktop/linux/X11ScreenSource.h"
#include "platform/desktop/linux/XcbConnection.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/ScreenCaptureConfig.h"
#include "platform/media/VideoWindow.h"
#include "platform/media/linux/VideoFilters.h"
#include "platform/media/linux/VideoRendererWidget.h"

namespace {

using namespace platform;
using Clock = std::chrono::steady_clock;

constexpr std::int64_t k15Fps_100ns = 10'000'000 / 15;

// Keeps every sample with the moment it came; any thread.
class CollectingSink : public Filter {
public:
    CollectingSink() : Filter("{COLLECT}") { addPin("Input", PinDirection::Input); }

    void receive(Pin&, const SamplePtr& sample) override {
        {
            std::lock_guard lock(mutex_);
            arrivals_.push_back({sample, Clock::now()});
        }
        std::this_thread::sleep_for(delay);
    }
    std::chrono::milliseconds delay{0};  // an encoder that cannot keep up
    void endOfStream(Pin&) override {
        std::lock_guard lock(mutex_);
        ++ends_;
    }

    struct Arrival {
        SamplePtr sample;
        Clock::time_point at;
    };
    std::vector<Arrival> arrivals() const {
        std::lock_guard lock(mutex_);
        return arrivals_;
    }
    int ends() const {
        std::lock_guard lock(mutex_);
        return ends_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Arrival> arrivals_;
    int ends_ = 0;
};

void pump(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
}

bool waitFor(const std::function<bool()>& done, int timeout_ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeout_ms) return false;
        pump(20);
    }
    return true;
}

void flushQt() {
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) xcb_flush(x11->connection());
}

// A window filled with one colour; override-redirect ones sit exactly where
// asked, above the managed ones.
std::unique_ptr<QWidget> colourWindow(Qt::GlobalColor colour, const QRect& where, bool managed = false) {
    auto widget = std::make_unique<QWidget>();
    if (!managed) widget->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    QPalette palette;
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
    widget->setCursor(Qt::ArrowCursor);
    widget->setGeometry(where);
    widget->show();
    flushQt();
    return widget;
}

// A small square at `at` that changes its colour every 10 ms: the picture
// around it is never the same twice, so every frame is sent.
std::unique_ptr<QWidget> ticker(const QPoint& at) {
    auto widget = colourWindow(Qt::green, {at.x(), at.y(), 8, 8});
    auto* timer = new QTimer(widget.get());
    QObject::connect(timer, &QTimer::timeout, widget.get(), [w = widget.get(), n = 0]() mutable {
        QPalette palette;
        palette.setColor(QPalette::Window, QColor::fromHsv(n++ * 7 % 360, 255, 255));
        w->setPalette(palette);
        w->update();
    });
    timer->start(10);
    return widget;
}

std::string property(const Filter& filter, const std::string& name) {
    for (const auto& [key, value] : filter.properties())
        if (key == name) return value;
    return {};
}

struct Bgr {
    int b, g, r;
    bool operator==(const Bgr&) const = default;
};

Bgr pixel(const MediaSample& s, const VideoFormat& f, int x, int y) {
    const std::uint8_t* p = s.data.data() + static_cast<std::ptrdiff_t>(y) * s.stride + x * (f.bitsPerPixel / 8);
    return {p[0], p[1], p[2]};
}

constexpr Bgr kRed{0, 0, 255};
constexpr Bgr kBlue{255, 0, 0};
constexpr Bgr kBlack{0, 0, 0};

// The whole screen's root pixel at (x, y) through a plain GetImage.
Bgr screenPixel(int x, int y) {
    XcbConnection xcb;
    auto image = xcb.reply(xcb_get_image_reply, xcb_get_image(xcb.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, xcb.root(),
                                                              static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                                                              1, 1, ~0u));
    if (!image) return {-1, -1, -1};
    const std::uint8_t* p = xcb_get_image_data(image.get());
    return {p[0], p[1], p[2]};
}

class ScreenCaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "no X display (run under scripts/virtual-desktop)";
        registerVideoFilters(registry, screen, log);
        // The pointer out of the way unless a test moves it.
        QCursor::setPos(1900, 1060);
    }
    // The capture never gave up on the way: the log has only the counts of
    // each run, beside the grab's priority.
    void TearDown() override {
        for (const auto& line : log.lines()) {
            if (line.find("Screen grab runs at ") != std::string::npos) continue;
            EXPECT_NE(line.find("frames captured"), std::string::npos) << line;
        }
    }

    // Screen capture "Output" -> sink, set up with these values.
    void build(const std::array<int, 16>& values) {
        capture = registry.create(kScreenCaptureClassId);
        ASSERT_EQ(query<ScreenCaptureConfig>(capture)->configure(values), S_OK);
        ASSERT_EQ(graph.addFilter(capture, "ScrCap BCK"), S_OK);
        ASSERT_EQ(graph.addFilter(sink, "Sink"), S_OK);
        ASSERT_EQ(graph.connectDirect(capture->findPin(PinDirection::Output, "Output"), sink->pins()[0].get()), S_OK);
        format = sink->pins()[0]->mediaType().video;
    }
    // New values take effect at the next connection: the one before fixed
    // what this instance captures.
    void reconnectWith(const std::array<int, 16>& values) {
        ASSERT_EQ(graph.disconnect(capture->findPin(PinDirection::Output, "Output")), S_OK);
        ASSERT_EQ(query<ScreenCaptureConfig>(capture)->configure(values), S_OK);
        ASSERT_EQ(graph.connectDirect(capture->findPin(PinDirection::Output, "Output"), sink->pins()[0].get()), S_OK);
    }
    // Runs the graph for `ms` and stops it; the last frame.
    SamplePtr runFor(int ms) {
        EXPECT_EQ(graph.run(), S_OK);
        pump(ms);
        EXPECT_EQ(graph.stop(), S_OK);
        const auto all = sink->arrivals();
        return all.empty() ? nullptr : all.back().sample;
    }

    FakeLog log;
    X11ScreenSource screen;
    FilterRegistry registry;
    FilterGraph graph{registry};
    std::shared_ptr<Filter> capture;
    std::shared_ptr<CollectingSink> sink = std::make_shared<CollectingSink>();
    VideoFormat format;
};

TEST_F(ScreenCaptureTest, CapturesTheRectangleAtTheFrameRateWithEvenTimestamps) {
    auto red = colourWindow(Qt::red, {100, 100, 320, 240});
    auto moving = ticker({140, 140});
    ASSERT_TRUE(waitFor([] { return screenPixel(260, 220) == kRed; }));
    build({15, 32, 100, 100, 420, 340, 1, 1000, 1, 0, 0, 0, 0, 0, 100, 0});
    EXPECT_EQ(format, (VideoFormat{320, 240, 32, 15}));

    ASSERT_EQ(graph.run(), S_OK);
    pump(2000);
    const auto stopping = Clock::now();
    ASSERT_EQ(graph.stop(), S_OK);
    EXPECT_LT(Clock::now() - stopping, std::chrono::milliseconds(200));
    const auto arrivals = sink->arrivals();
    ASSERT_FALSE(arrivals.empty());
    const SamplePtr last = arrivals.back().sample;
    EXPECT_GE(arrivals.size(), 28u);
    EXPECT_LE(arrivals.size(), 32u);
    EXPECT_EQ(sink->ends(), 1);
    for (std::size_t i = 0; i < arrivals.size(); ++i) {
        const MediaSample& s = *arrivals[i].sample;
        EXPECT_EQ(s.pts_100ns % k15Fps_100ns, 0) << i;
        if (i > 0) {
            EXPECT_GT(s.pts_100ns, arrivals[i - 1].sample->pts_100ns);
        }
        EXPECT_EQ(s.duration_100ns, k15Fps_100ns);
    }
    ASSERT_TRUE(last);
    ASSERT_EQ(last->stride, 320 * 4);
    ASSERT_EQ(last->data.size(), 320u * 4 * 240);
    for (auto [x, y] : {std::pair{0, 0}, {319, 0}, {0, 239}, {319, 239}, {160, 120}}) EXPECT_EQ(pixel(*last, format, x, y), kRed);
    EXPECT_EQ(last->data[3], 0xFF);  // opaque fourth byte
}

TEST_F(ScreenCaptureTest, AStillPictureIsSentOnceASecondAndAtTheEnd) {
    auto red = colourWindow(Qt::red, {100, 100, 320, 240});
    ASSERT_TRUE(waitFor([] { return screenPixel(260, 220) == kRed; }));
    build({15, 32, 100, 100, 420, 340, 1, 1000, 1, 0, 0, 0, 0, 0, 100, 0});
    ASSERT_EQ(graph.run(), S_OK);
    pump(2600);
    ASSERT_EQ(graph.stop(), S_OK);
    const auto arrivals = sink->arrivals();
    // The first frame, one a second after it, and the last at the stop.
    ASSERT_GE(arrivals.size(), 3u);
    EXPECT_LE(arrivals.size(), 5u);
    for (std::size_t i = 1; i < arrivals.size(); ++i) {
        const std::int64_t step = arrivals[i].sample->pts_100ns - arrivals[i - 1].sample->pts_100ns;
        EXPECT_GT(step, 0);
        EXPECT_EQ(step % k15Fps_100ns, 0);
        EXPECT_LE(step, 10'000'000 + k15Fps_100ns);
    }
    // The stream lasts to the stop, however still the picture.
    EXPECT_GE(arrivals.back().sample->pts_100ns, 23'000'000);
    EXPECT_EQ(pixel(*arrivals.back().sample, format, 160, 120), kRed);
    EXPECT_GE(std::stoi(property(*capture, "Frames captured")), 36);
}

TEST_F(ScreenCaptureTest, ARectangleOffTheScreenIsBlackThereIn24Bits) {
    auto red = colourWindow(Qt::red, {0, 0, 200, 200});
    ASSERT_TRUE(waitFor([] { return screenPixel(100, 100) == kRed; }));
    // 40 pixels above and left of the screen, as a normalised (-1, -1) corner
    // or a window partly off the screen gives.
    build({15, 24, -40, -40, 160, 160, 1, 1000, 1, 0, 0, 0, 0, 0, 100, 0});
    const SamplePtr last = runFor(400);
    ASSERT_TRUE(last);
    EXPECT_EQ(format, (VideoFormat{200, 200, 24, 15}));
    EXPECT_EQ(last->stride, 600);
    EXPECT_EQ(pixel(*last, format, 0, 0), kBlack);
    EXPECT_EQ(pixel(*last, format, 39, 150), kBlack);
    EXPECT_EQ(pixel(*last, format, 40, 40), kRed);
    EXPECT_EQ(pixel(*last, format, 199, 199), kRed);
}

TEST_F(ScreenCaptureTest, DrawsThePointerOnlyWhenAsked) {
    auto red = colourWindow(Qt::red, {100, 100, 320, 240});
    ASSERT_TRUE(waitFor([] { return screenPixel(260, 220) == kRed; }));
    QCursor::setPos(260, 220);
    ASSERT_TRUE(waitFor([] { return QCursor::pos() == QPoint(260, 220); }));
    pump(100);
    auto countNotRed = [&](const MediaSample& s, QRect* where) {
        int n = 0;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                if (!(pixel(s, format, x, y) == kRed)) {
                    ++n;
                    if (where) *where |= QRect(x, y, 1, 1);
                }
        return n;
    };

    build({15, 32, 100, 100, 420, 340, 1, 1000, 1, 0, 0, 0, 0, 0, 100, 0});
    SamplePtr plain = runFor(300);
    ASSERT_TRUE(plain);
    EXPECT_EQ(countNotRed(*plain, nullptr), 0);

    reconnectWith({15, 32, 100, 100, 420, 340, 1, 1000, 1, 1, 0, 0, 0, 0, 100, 0});
    SamplePtr withCursor = runFor(300);
    ASSERT_TRUE(withCursor);
    QRect drawn;
    EXPECT_GT(countNotRed(*withCursor, &drawn), 20);
    // The pointer is at (160, 120) in the frame: the image lies around it.
    EXPECT_TRUE(QRect(160 - 32, 120 - 32, 64, 64).contains(drawn)) << drawn.x() << "," << drawn.y();
}

TEST_F(ScreenCaptureTest, APauseSendsNothingAndLeavesNoGapInTheTimestamps) {
    auto red = colourWindow(Qt::red, {100, 100, 320, 240});
    auto moving = ticker({140, 140});
    build({15, 32, 100, 100, 420, 340, 1, 1000, 1, 0, 0, 0, 0, 0, 100, 0});
    ASSERT_EQ(graph.run(), S_OK);
    pump(1000);
    ASSERT_EQ(graph.pause(), S_OK);
    const auto pausedAt = Clock::now();
    pump(1000);
    const auto resumedAt = Clock::now();
    ASSERT_EQ(graph.run(), S_OK);
    pump(1000);
    ASSERT_EQ(graph.stop(), S_OK);

    const auto arrivals = sink->arrivals();
    // Two seconds of running.
    ASSERT_GE(arrivals.size(), 28u);
    EXPECT_LE(arrivals.size(), 32u);
    EXPECT_LT(arrivals.front().at, pausedAt);
    EXPECT_GT(arrivals.back().at, resumedAt);
    int duringPause = 0;
    std::int64_t widestStep = 0;
    for (std::size_t i = 0; i < arrivals.size(); ++i) {
        // A frame already on its way when the pause came may land just after it.
        if (arrivals[i].at > pausedAt + std::chrono::milliseconds(100) && arrivals[i].at < resumedAt) ++duringPause;
        if (i == 0) continue;
        const std::int64_t step = arrivals[i].sample->pts_100ns - arrivals[i - 1].sample->pts_100ns;
        EXPECT_EQ(step % k15Fps_100ns, 0);
        widestStep = std::max(widestStep, step);
    }
    EXPECT_EQ(duringPause, 0);
    // Three seconds of wall clock, two of stream time: the pause is not in it.
    EXPECT_LE(widestStep, 2 * k15Fps_100ns);
    EXPECT_LT(arrivals.back().sample->pts_100ns, 22'000'000);
}

TEST_F(ScreenCaptureTest, ASlowDownstreamNeverHoldsTheCaptureUp) {
    auto red = colourWindow(Qt::red, {100, 100, 320, 240});
    auto moving = ticker({140, 140});
    sink->delay = std::chrono::milliseconds(300);
    build({15, 32, 100, 100, 420, 340, 1, 1000, 1, 0, 0, 0, 0, 0, 100, 0});
    ASSERT_EQ(graph.run(), S_OK);
    pump(2000);
    const auto stopping = Clock::now();
    ASSERT_EQ(graph.stop(), S_OK);
    // What waits for the slow sink is at most a few frames.
    EXPECT_LT(Clock::now() - stopping, std::chrono::milliseconds(2000));
    const int captured = std::stoi(property(*capture, "Frames captured"));
    EXPECT_GE(captured, 28);
    EXPECT_GT(std::stoi(property(*capture, "Frames dropped (downstream full)")), 10);
    EXPECT_EQ(property(*capture, "Frames skipped (late)"), "0");
    const auto arrivals = sink->arrivals();
    EXPECT_LT(arrivals.size(), 15u);
    EXPECT_EQ(sink->ends(), 1);
    for (const auto& a : arrivals) EXPECT_EQ(a.sample->pts_100ns % k15Fps_100ns, 0);
}

// The top-level ancestor of a window (its frame under the window manager) and its rectangle.
Rect frameRect(xcb_window_t window) {
    XcbConnection xcb;
    for (;;) {
        auto tree = xcb.reply(xcb_query_tree_reply, xcb_query_tree(xcb.get(), window));
        if (!tree || tree->parent == tree->root) break;
        window = tree->parent;
    }
    auto g = xcb.reply(xcb_get_geometry_reply, xcb_get_geometry(xcb.get(), window));
    if (!g) return {};
    return {g->x, g->y, g->x + g->width + 2 * g->border_width, g->y + g->height + 2 * g->border_width};
}

TEST_F(ScreenCaptureTest, CapturesATrackedWindowEvenWhenCoveredAndFallsBackToTheScreen) {
    auto red = colourWindow(Qt::red, {300, 300, 320, 240}, /*managed=*/true);
    red->setWindowTitle("Covered meeting");
    const auto id = static_cast<int>(red->winId());
    ASSERT_TRUE(waitFor([&] { return frameRect(static_cast<xcb_window_t>(id)).width() > 0 && red->isVisible(); }));
    pump(300);
    const Rect frame = frameRect(static_cast<xcb_window_t>(id));
    auto blue = colourWindow(Qt::blue, {frame.left - 10, frame.top - 10, frame.width() + 20, frame.height() + 20});
    const QPoint centre(frame.left + frame.width() / 2, frame.top + frame.height() / 2);
    ASSERT_TRUE(waitFor([&] { return screenPixel(centre.x(), centre.y()) == kBlue; }));
    auto moving = ticker({frame.left + 4, frame.top + 4});

    build({15, 32, frame.left, frame.top, frame.right, frame.bottom, 1, 1000, 1, 0, 0, id, 1, 0, 100, 0});
    SamplePtr last = runFor(1000);
    ASSERT_TRUE(last);
    const int cx = frame.width() / 2;
    const int cy = frame.height() / 2;
    EXPECT_EQ(pixel(*last, format, cx, cy), kRed);

    // Without the window-capture flag: what the screen shows.
    reconnectWith(
        {15, 32, frame.left, frame.top, frame.right, frame.bottom, 1, 1000, 1, 0, 0, id, 0, 0, 100, 0});
    last = runFor(300);
    ASSERT_TRUE(last);
    EXPECT_EQ(pixel(*last, format, cx, cy), kBlue);

    // The window gone: the flag is still set, the screen is captured instead.
    red.reset();
    flushQt();
    pump(200);
    reconnectWith(
        {15, 32, frame.left, frame.top, frame.right, frame.bottom, 1, 1000, 1, 0, 0, id, 1, 0, 100, 0});
    const std::size_t before = sink->arrivals().size();
    last = runFor(500);
    EXPECT_GT(sink->arrivals().size(), before + 3);
    ASSERT_TRUE(last);
    EXPECT_EQ(pixel(*last, format, cx, cy), kBlue);
}

TEST_F(ScreenCaptureTest, PreviewRendersTheCapturePinIntoTheOwnersWindow) {
    auto red = colourWindow(Qt::red, {100, 100, 320, 240});
    QWidget owner;
    owner.setGeometry(800, 300, 400, 300);
    owner.show();
    ASSERT_TRUE(waitFor([] { return screenPixel(260, 220) == kRed; }));

    capture = registry.create(kScreenCaptureClassId);
    query<ScreenCaptureConfig>(capture)->configure({5, 32, 100, 100, 420, 340, 100, 1000, 1, 0, 0, 0, 0, 0, 100, 0});
    ASSERT_EQ(graph.addFilter(capture, "ScrCap BCK"), S_OK);
    ASSERT_EQ(graph.render(capture->findPin(PinDirection::Output, "Capture")), S_OK);
    auto renderer = graph.findFilter("Video Renderer");
    ASSERT_TRUE(renderer);
    auto* window = query<VideoWindow>(renderer);
    ASSERT_TRUE(window);
    ASSERT_EQ(window->setOwner(static_cast<WindowId>(owner.winId())), S_OK);
    window->setWindowPosition(0, 0, 400, 300);
    ASSERT_EQ(graph.run(), S_OK);
    auto* drawing = owner.findChild<VideoRendererWidget*>();
    ASSERT_TRUE(drawing);
    EXPECT_TRUE(waitFor([&] { return drawing->isVisible() && drawing->frame() != nullptr; }));
    pump(300);
    // 320 x 240 fills 400 x 300 exactly: red all over the drawing.
    EXPECT_EQ(drawing->grab().toImage().pixelColor(200, 150), QColor(Qt::red));
    graph.stop();
}

}  // namespace
