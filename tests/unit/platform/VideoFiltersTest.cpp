#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/core/fake/FakeLog.h"
#include "platform/desktop/fake/FakeScreenSource.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/MediaErrors.h"
#include "platform/media/ScreenCaptureConfig.h"
#include "platform/media/ScreenCaptureStatus.h"
#include "platform/media/VideoWindow.h"
#include "platform/desktop/linux/CaptureRegion.h"
#include "platform/media/linux/FramePacer.h"
#include "platform/media/linux/LatestFrame.h"
#include "platform/desktop/linux/PixelCopy.h"
#include "platform/media/linux/SampleDelivery.h"
#include "platform/media/linux/ScreenCaptureParams.h"
#include "platform/media/linux/VideoFilters.h"
#include "platform/media/linux/VideoRendererWidget.h"

namespace platform {
namespace {

// A video source whose samples the test pushes, and a sink that keeps them.
class PushSource : public Filter {
public:
    explicit PushSource(VideoFormat format) : Filter("{PUSH}"), format_(format), out(addPin("Output", PinDirection::Output)) {}
    MediaType offeredType(const Pin&) const override { return MediaType::ofVideo(format_); }
    VideoFormat format_;
    Pin& out;
};

class CollectSink : public Filter {
public:
    CollectSink() : Filter("{SINK}") { addPin("Input", PinDirection::Input); }
    void receive(Pin&, const SamplePtr& sample) override { samples.push_back(sample); }
    void endOfStream(Pin&) override { ++ends; }
    std::vector<SamplePtr> samples;
    std::atomic<int> ends{0};
};

SamplePtr frameAt(std::int64_t pts, const VideoFormat& f = {4, 2, 32, 15}) {
    auto s = std::make_shared<MediaSample>();
    s->pts_100ns = pts;
    s->stride = f.width * f.bitsPerPixel / 8;
    s->data.assign(static_cast<std::size_t>(s->stride) * f.height, 0x80);
    return s;
}

std::vector<std::string> outputNames(const Filter& f) {
    std::vector<std::string> names;
    for (const auto& pin : f.pins())
        if (pin->direction() == PinDirection::Output) names.push_back(pin->name());
    return names;
}

// Waits until `done` holds, at most 10 s; false when it never did.
bool waitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

struct VideoFiltersTest : ::testing::Test {
    FakeLog log;
    FakeScreenSource screen;
    FilterRegistry registry;
    void SetUp() override { registerVideoFilters(registry, screen, log); }
    std::shared_ptr<Filter> byName(const std::string& name, int nth = 0) {
        for (const auto& entry : registry.entries(kLegacyFilterCategory))
            if (entry.friendlyName == name && nth-- == 0) return entry.create();
        return nullptr;
    }
    // A screen capture configured with `values` and connected to `sink` in `graph`.
    std::shared_ptr<Filter> connectedCapture(FilterGraph& graph, const std::array<int, 16>& values,
                                             const std::shared_ptr<Filter>& sink) {
        auto capture = registry.create(kScreenCaptureClassId);
        EXPECT_EQ(query<ScreenCaptureConfig>(capture)->configure(values), S_OK);
        graph.addFilter(capture, "ScrCap BCK");
        graph.addFilter(sink, "sink");
        EXPECT_EQ(graph.connectDirect(capture->findPin(PinDirection::Output, "Output"), sink->pins()[0].get()), S_OK);
        return capture;
    }
};

TEST_F(VideoFiltersTest, RegistersTheNamedEntriesTheGraphsLookFor) {
    std::vector<std::string> renderers;
    for (const auto& entry : registry.entries(kLegacyFilterCategory))
        if (entry.friendlyName == "Video Renderer") renderers.push_back(entry.classId);
    // Lookups by name take the second of the two; it must be the window renderer.
    ASSERT_EQ(renderers.size(), 2u);
    EXPECT_EQ(renderers[1], "{70E102B0-5556-11CE-97C0-00AA0044773F}");
    EXPECT_TRUE(query<VideoWindow>(byName("Video Renderer", 0)));
    EXPECT_TRUE(query<VideoWindow>(byName("Video Renderer", 1)));
    EXPECT_TRUE(byName("Infinte Pin Tee Filter"));
    EXPECT_TRUE(query<ScreenCaptureConfig>(registry.create(kScreenCaptureClassId)));
}

TEST_F(VideoFiltersTest, TeeGrowsAFreeOutputAndFansOutEverySample) {
    FilterGraph graph(registry);
    auto source = std::make_shared<PushSource>(VideoFormat{4, 2, 32, 15});
    auto tee = byName("Infinte Pin Tee Filter");
    auto a = std::make_shared<CollectSink>();
    auto b = std::make_shared<CollectSink>();
    for (auto [f, n] : {std::pair<std::shared_ptr<Filter>, const char*>{source, "src"}, {tee, "tee"}, {a, "a"}, {b, "b"}})
        ASSERT_EQ(graph.addFilter(f, n), S_OK);
    EXPECT_EQ(outputNames(*tee), (std::vector<std::string>{"Output1"}));

    Pin* out1 = tee->findPin(PinDirection::Output, "Output1");
    // Nothing to offer before the input knows its type.
    EXPECT_EQ(graph.connectDirect(out1, a->pins()[0].get()), VFW_E_CANNOT_CONNECT);
    ASSERT_EQ(graph.connectDirect(&source->out, tee->findPin(PinDirection::Input, "Input")), S_OK);
    EXPECT_EQ(outputNames(*tee), (std::vector<std::string>{"Output1"}));
    ASSERT_EQ(graph.connectDirect(out1, a->pins()[0].get()), S_OK);
    EXPECT_EQ(outputNames(*tee), (std::vector<std::string>{"Output1", "Output2"}));
    EXPECT_EQ(a->pins()[0]->mediaType(), source->offeredType(source->out));
    ASSERT_EQ(graph.connectDirect(tee->findPin(PinDirection::Output, "Output2"), b->pins()[0].get()), S_OK);
    EXPECT_EQ(outputNames(*tee), (std::vector<std::string>{"Output1", "Output2", "Output3"}));

    const SamplePtr sample = frameAt(0);
    source->out.deliver(sample);
    source->out.deliverEndOfStream();
    ASSERT_EQ(a->samples.size(), 1u);
    ASSERT_EQ(b->samples.size(), 1u);
    EXPECT_EQ(a->samples[0], sample);  // the same buffer, not a copy
    EXPECT_EQ(b->samples[0], sample);
    EXPECT_EQ(a->ends + b->ends, 2);

    // Rendering the free output adds a renderer from the category.
    EXPECT_EQ(graph.render(tee->findPin(PinDirection::Output, "Output3")), S_OK);
    EXPECT_TRUE(graph.findFilter("Video Renderer"));
}

TEST_F(VideoFiltersTest, ScreenCaptureSettingsCarryOverToLaterInstancesOfTheSameFactory) {
    auto first = registry.create(kScreenCaptureClassId);
    ASSERT_EQ(query<ScreenCaptureConfig>(first)->configure({5, 24, 799, 599, -1, -1, 100, 1000, 1, 1, 0, 0, 0, 0, 100, 0}),
              S_OK);
    auto second = registry.create(kScreenCaptureClassId);
    ASSERT_TRUE(second->findPin(PinDirection::Output, "Output"));
    ASSERT_TRUE(second->findPin(PinDirection::Output, "Capture"));
    const MediaType type = second->offeredType(*second->findPin(PinDirection::Output, "Capture"));
    EXPECT_EQ(type, MediaType::ofVideo({800, 600, 24, 5}));

    // A refused set-up leaves the values as they were.
    EXPECT_EQ(query<ScreenCaptureConfig>(second)->configure({5, 16, 0, 0, 8, 8, 0, 0, 1, 0, 0, 0, 0, 0, 100, 0}),
              E_INVALIDARG);
    EXPECT_EQ(first->offeredType(*first->pins()[0]), type);

    // Another factory (another registry) has its own values.
    FilterRegistry other;
    registerVideoFilters(other, screen, log);
    EXPECT_NE(other.create(kScreenCaptureClassId)->offeredType(*first->pins()[0]), type);

    // An empty rectangle offers nothing, so nothing can connect to it.
    query<ScreenCaptureConfig>(first)->configure({15, 32, 100, 100, 100, 300, 0, 0, 1, 0, 0, 0, 0, 0, 100, 0});
    EXPECT_EQ(second->offeredType(*second->pins()[0]).major, MajorType::None);
}

TEST_F(VideoFiltersTest, AConnectedScreenCaptureKeepsItsValuesWhenAnotherInstanceIsConfigured) {
    FilterGraph graph(registry);
    auto sink = std::make_shared<CollectSink>();
    auto recording = connectedCapture(graph, {15, 32, 0, 0, 640, 480, 1, 1200, 1, 0, 0, 0, 0, 0, 100, 0}, sink);

    // The preview's instance configures the shared values between connect and run.
    auto preview = registry.create(kScreenCaptureClassId);
    ASSERT_EQ(query<ScreenCaptureConfig>(preview)->configure({5, 32, 0, 0, 320, 240, 100, 1000, 1, 0, 0, 0, 0, 0, 100, 0}),
              S_OK);
    const MediaType connected = MediaType::ofVideo({640, 480, 32, 15});
    EXPECT_EQ(sink->pins()[0]->mediaType(), connected);
    EXPECT_EQ(recording->offeredType(*recording->findPin(PinDirection::Output, "Capture")), connected);
    EXPECT_EQ(preview->offeredType(*preview->findPin(PinDirection::Output, "Capture")),
              MediaType::ofVideo({320, 240, 32, 5}));
    // And the run reads what it was connected with.
    ASSERT_EQ(graph.run(), S_OK);
    ASSERT_TRUE(waitUntil([&] { return !screen.areas().empty(); }));
    graph.stop();
    EXPECT_EQ(screen.areas().front().rect, (Rect{0, 0, 640, 480}));
    ASSERT_FALSE(sink->samples.empty());
    EXPECT_EQ(sink->samples.front()->data.size(), 640u * 480 * 4);

    // Once disconnected, the instance follows the shared values again.
    graph.disconnect(recording->findPin(PinDirection::Output, "Output"));
    EXPECT_EQ(recording->offeredType(*recording->findPin(PinDirection::Output, "Output")),
              MediaType::ofVideo({320, 240, 32, 5}));
}

TEST_F(VideoFiltersTest, AScreenThatCannotBeReadOrStaysBlackIsTheRunsFault) {
    FilterGraph graph(registry);
    auto sink = std::make_shared<CollectSink>();
    auto capture = connectedCapture(graph, {50, 32, 0, 0, 8, 8, 1, 1000, 1, 0, 0, 0, 0, 0, 100, 0}, sink);
    const auto* status = query<ScreenCaptureStatus>(capture);
    ASSERT_NE(status, nullptr);
    // One dark grey pixel, then none: black is the absence of any colour.
    std::atomic<bool> grey{true};
    screen.draw = [&grey](int, const ScreenArea&, ImageView frame) {
        for (int y = 0; y < frame.height; ++y)
            std::memset(frame.data + static_cast<std::ptrdiff_t>(y) * frame.stride, 0, frame.width * 4);
        if (grey) frame.data[0] = 1;
    };

    // The read fails after more than 3 s of a picture that is not black.
    screen.failAt = 175;
    ASSERT_EQ(graph.run(), S_OK);
    ASSERT_TRUE(waitUntil([&] { return status->screenFault().stopped(); }));
    ScreenFault fault = status->screenFault();
    EXPECT_EQ(fault.error, ScreenError::ReadFailed);
    EXPECT_EQ(fault.text, "GetImage failed (X error 8)");
    EXPECT_TRUE(fault.anyFrame);
    EXPECT_FALSE(fault.black);
    ASSERT_TRUE(waitUntil([&] { return sink->ends == 1; }));  // the writer finishes the file
    graph.stop();
    EXPECT_TRUE(status->screenFault().stopped());  // kept for whoever asks after the stop

    // A black picture is a fault after 3 s of it, and the capture goes on.
    grey = false;
    screen.failAt = -1;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(graph.run(), S_OK);
    EXPECT_FALSE(status->screenFault().stopped());
    ASSERT_TRUE(waitUntil([&] { return status->screenFault().black; }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(ScreenFault::kBlackSeconds));
    EXPECT_FALSE(status->screenFault().stopped());
    graph.stop();
}

TEST(ScreenCaptureParamsTest, ReadsTheSetUpValuesSafely) {
    struct Case {
        std::array<int, 16> values;
        HRESULT result;
        Rect rect;
        int fps;
        bool cursor;
        bool window;
    };
    const Case cases[] = {
        {{15, 32, 10, 20, 330, 260, 1, 1000, 1, 1, 0, 0, 0, 0, 100, 0}, S_OK, {10, 20, 330, 260}, 15, true, false},
        // Corners in either order; a frame rate of 0 still gives one frame a second.
        {{0, 24, 330, 260, 10, 20, 1, 1000, 1, 0, 0, 0, 0, 0, 100, 0}, S_OK, {10, 20, 330, 260}, 1, false, false},
        {{-5, 24, -1, -1, 799, 599, 1, 1000, 1, 2, 0, 0, 0, 0, 100, 0}, S_OK, {-1, -1, 799, 599}, 1, false, false},
        // The window flag counts only with a window.
        {{15, 32, 0, 0, 8, 8, 1, 1000, 1, 0, 0, 0x400007, 1, 0, 100, 0}, S_OK, {0, 0, 8, 8}, 15, false, true},
        {{15, 32, 0, 0, 8, 8, 1, 1000, 1, 0, 0, 0, 1, 0, 100, 0}, S_OK, {0, 0, 8, 8}, 15, false, false},
        {{15, 16, 0, 0, 8, 8, 1, 1000, 1, 0, 0, 0, 0, 0, 100, 0}, E_INVALIDARG, {}, 0, false, false},
        {{15, 32, INT_MIN, 0, INT_MAX, 8, 1, 1000, 1, 0, 0, 0, 0, 0, 100, 0}, E_INVALIDARG, {}, 0, false, false},
        {{15, 32, 0, 0, 8, 16385, 1, 1000, 1, 0, 0, 0, 0, 0, 100, 0}, E_INVALIDARG, {}, 0, false, false},
    };
    for (const Case& c : cases) {
        ScreenCaptureParams p;
        SCOPED_TRACE(c.values[2]);
        ASSERT_EQ(ScreenCaptureParams::parse(c.values, p), c.result);
        if (failed(c.result)) continue;
        EXPECT_EQ(p.rect, c.rect);
        EXPECT_EQ(p.framesPerSecond, c.fps);
        EXPECT_EQ(p.drawCursor, c.cursor);
        EXPECT_EQ(p.captureWindow, c.window);
    }
}

TEST(CaptureRegionTest, ClipsTheRectangleToWhatCanBeRead) {
    const Rect screen{0, 0, 1920, 1080};
    struct Case {
        Rect requested;
        Rect bounds;
        Rect source;
        Point offset;
    };
    const Case cases[] = {
        {{100, 100, 420, 340}, screen, {100, 100, 420, 340}, {0, 0}},
        // The recording graph's normalised (-1, -1) corner: one black row and column.
        {{-1, -1, 799, 599}, screen, {0, 0, 799, 599}, {1, 1}},
        {{1800, 1000, 2000, 1200}, screen, {1800, 1000, 1920, 1080}, {0, 0}},
        {{-50, 900, 50, 1300}, screen, {0, 900, 50, 1080}, {50, 0}},
        // Nothing to read: the frame stays black.
        {{3000, 0, 3100, 100}, screen, {}, {}},
        {{-400, -300, -100, -1}, screen, {}, {}},
        {{INT_MAX - 100, INT_MAX - 100, INT_MAX, INT_MAX}, screen, {}, {}},
        // A window's contents: source relative to the window, which may reach off the screen.
        {{500, 400, 900, 700}, {600, 300, 2600, 1300}, {0, 100, 300, 400}, {100, 0}},
    };
    for (const Case& c : cases) {
        const CaptureRegion region = CaptureRegion::clip(c.requested, c.bounds);
        SCOPED_TRACE(std::to_string(c.requested.left) + "," + std::to_string(c.requested.top));
        EXPECT_EQ(region.source, c.source);
        EXPECT_EQ(region.empty(), c.source.width() == 0);
        if (!region.empty()) {
            EXPECT_EQ(region.offset, c.offset);
            // What is read always fits in the frame.
            EXPECT_LE(region.offset.x + region.source.width(), c.requested.width());
            EXPECT_LE(region.offset.y + region.source.height(), c.requested.height());
        }
    }
}

TEST(FramePacerTest, StampsFrameNAtNFrameDurationsAndSkipsRatherThanBunches) {
    FramePacer pacer(666666);  // 15 fps
    EXPECT_EQ(pacer.due(0), 0);
    EXPECT_EQ(pacer.due(10), std::nullopt);
    EXPECT_EQ(pacer.untilNext_100ns(10), 666656);
    EXPECT_EQ(pacer.due(666666 + 5000), 1);  // a little late is still frame 1
    // Far behind: frames 2 to 4 are skipped, the next is 5, not a burst of 2, 3, 4, 5.
    EXPECT_EQ(pacer.due(5 * 666666 + 100), 5);
    EXPECT_EQ(pacer.dropped(), 3);
    EXPECT_EQ(pacer.due(5 * 666666 + 200), std::nullopt);
    EXPECT_EQ(pacer.timeOf_100ns(6), 6 * 666666);
}

TEST(FramePacerTest, APausedStreamClockMakesNoFrameDueAndLeavesNoGap) {
    using namespace std::chrono_literals;
    StreamClock clock;
    FramePacer pacer(200000);  // 50 fps: 20 ms a frame
    clock.start();
    EXPECT_EQ(pacer.due(clock.now_100ns()), 0);
    clock.pause();
    std::this_thread::sleep_for(120ms);  // six frame times of wall clock
    EXPECT_EQ(pacer.due(clock.now_100ns()), std::nullopt);
    clock.resume();
    std::optional<std::int64_t> next;
    while (!(next = pacer.due(clock.now_100ns()))) std::this_thread::sleep_for(1ms);
    EXPECT_EQ(next, 1);  // the frame after the pause follows on, nothing skipped
    EXPECT_EQ(pacer.dropped(), 0);
}

TEST(LatestFrameTest, KeepsOnlyTheNewestAndAsksTheUiOnce) {
    LatestFrame latest;
    EXPECT_TRUE(latest.put(frameAt(1)));
    EXPECT_FALSE(latest.put(frameAt(2)));
    EXPECT_FALSE(latest.put(frameAt(3)));
    EXPECT_EQ(latest.take()->pts_100ns, 3);
    EXPECT_EQ(latest.take(), nullptr);
    EXPECT_TRUE(latest.put(frameAt(4)));  // taken: the next frame asks again
    EXPECT_EQ(latest.replaced(), 2);
}

struct RendererTest : VideoFiltersTest {
    void SetUp() override {
        VideoFiltersTest::SetUp();
        renderer = byName("Video Renderer", 1);
        window = query<VideoWindow>(renderer);
        graph = std::make_unique<FilterGraph>(registry);
        graph->addFilter(source, "src");
        graph->addFilter(renderer, "Video Renderer");
        ASSERT_EQ(graph->connectDirect(&source->out, renderer->pins()[0].get()), S_OK);
        owner.resize(400, 300);
        owner.winId();
    }
    VideoRendererWidget* drawing() { return owner.findChild<VideoRendererWidget*>(); }
    std::string property(const std::string& name) {
        for (const auto& [k, v] : renderer->properties())
            if (k == name) return v;
        return {};
    }
    // Delivers from a thread of its own, as a capture thread would.
    void deliverFromAnotherThread(int count) {
        std::thread([&] {
            for (int i = 1; i <= count; ++i) source->out.deliver(frameAt(i));
        }).join();
    }

    std::shared_ptr<PushSource> source = std::make_shared<PushSource>(VideoFormat{4, 2, 32, 15});
    std::shared_ptr<Filter> renderer;
    VideoWindow* window = nullptr;
    std::unique_ptr<FilterGraph> graph;
    QWidget owner;
};

TEST_F(RendererTest, HandsOnlyTheLatestFrameToTheUiThreadAndShowsOnTheFirst) {
    ASSERT_EQ(window->setOwner(static_cast<WindowId>(owner.winId())), S_OK);
    window->setWindowPosition(10, 20, 200, 100);
    ASSERT_EQ(graph->run(), S_OK);
    ASSERT_TRUE(drawing());
    EXPECT_FALSE(drawing()->isVisibleTo(&owner));

    deliverFromAnotherThread(5);
    EXPECT_EQ(drawing()->frame(), nullptr);  // nothing painted off the UI thread
    QCoreApplication::processEvents();
    ASSERT_NE(drawing()->frame(), nullptr);
    EXPECT_EQ(drawing()->frame()->pts_100ns, 5);
    EXPECT_EQ(property("Frames drawn"), "1");
    EXPECT_EQ(property("Frames replaced before drawing"), "4");
    EXPECT_TRUE(drawing()->isVisibleTo(&owner));  // auto-show
    EXPECT_EQ(drawing()->geometry(), QRect(10, 20, 200, 100));
    graph->stop();
}

TEST_F(RendererTest, WhileTheOwnerIsHiddenOnlyEveryEighthFrameGoesToTheUiThread) {
    ASSERT_EQ(window->setOwner(static_cast<WindowId>(owner.winId())), S_OK);
    ASSERT_EQ(graph->run(), S_OK);
    deliverFromAnotherThread(1);  // drawn, and found hidden: the owner was never shown
    QCoreApplication::processEvents();
    deliverFromAnotherThread(16);  // frames 2 to 17: 8 and 16 go on
    QCoreApplication::processEvents();
    EXPECT_EQ(property("Frames dropped (no window or hidden)"), "14");
    owner.show();
    deliverFromAnotherThread(7);  // 18 to 24: 24 goes on and finds the window shown
    QCoreApplication::processEvents();
    deliverFromAnotherThread(2);  // all go on again
    QCoreApplication::processEvents();
    EXPECT_EQ(property("Frames dropped (no window or hidden)"), "20");
    EXPECT_EQ(property("Frames drawn"), "4");
    graph->stop();
}

TEST_F(RendererTest, WithoutOwnerOrAutoShowItStaysOutOfSight) {
    ASSERT_EQ(graph->run(), S_OK);
    deliverFromAnotherThread(3);
    QCoreApplication::processEvents();
    EXPECT_EQ(property("Frames dropped (no window or hidden)"), "3");
    EXPECT_EQ(window->setOwner(0x7fffffff), E_INVALIDARG);

    window->setAutoShow(false);
    ASSERT_EQ(window->setOwner(static_cast<WindowId>(owner.winId())), S_OK);
    deliverFromAnotherThread(1);
    QCoreApplication::processEvents();
    ASSERT_TRUE(drawing());
    EXPECT_NE(drawing()->frame(), nullptr);
    EXPECT_FALSE(drawing()->isVisibleTo(&owner));
    window->setVisible(true);
    EXPECT_TRUE(drawing()->isVisibleTo(&owner));

    ASSERT_EQ(window->setOwner(0), S_OK);
    EXPECT_EQ(drawing(), nullptr);
    graph->stop();
}

TEST(VideoRendererWidgetTest, KeepsTheAspectRatioCentred) {
    EXPECT_EQ(VideoRendererWidget::fittedRect({1600, 900}, {301, 137}), QRect(29, 0, 243, 137));
    EXPECT_EQ(VideoRendererWidget::fittedRect({800, 600}, {800, 300}), QRect(200, 0, 400, 300));
    EXPECT_EQ(VideoRendererWidget::fittedRect({100, 100}, {50, 200}), QRect(0, 75, 50, 50));
    EXPECT_TRUE(VideoRendererWidget::fittedRect({0, 0}, {50, 200}).isEmpty());
}

TEST(PixelCopyTest, ConvertsDepthsBlendsTheCursorAndBlackensTheRest) {
    // Two BGRX pixels from the server, the fourth byte unset.
    const std::uint8_t server[] = {1, 2, 3, 0, 4, 5, 6, 0};
    std::vector<std::uint8_t> bgr(3 * 3 * 2, 0xEE);
    ImageView frame24{bgr.data(), 3, 2, 9, 3};
    fillBlackOutside(frame24, {1, 1, 3, 2});
    copyBgrx(server, 8, 2, 1, frame24, 1, 1);
    EXPECT_EQ(bgr, (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6}));

    std::vector<std::uint8_t> bgrx(4 * 2, 0xEE);
    ImageView frame32{bgrx.data(), 2, 1, 8, 4};
    copyBgrx(server, 8, 2, 1, frame32, 0, 0);
    EXPECT_EQ(bgrx, (std::vector<std::uint8_t>{1, 2, 3, 0xFF, 4, 5, 6, 0xFF}));

    // A 2x2 cursor (premultiplied): opaque white, half-transparent black on
    // top; transparent, opaque red below. Drawn half off the left edge, then
    // with only its top-left pixel inside at the bottom-right.
    std::vector<std::uint8_t> canvas(4 * 2 * 2, 200);
    ImageView view{canvas.data(), 2, 2, 8, 4};
    const std::uint32_t cursor[] = {0xFFFFFFFF, 0x80000000, 0x00000000, 0xFFFF0000};
    blendPremultipliedArgb(cursor, 2, 2, view, -1, 0);
    EXPECT_EQ(canvas[0], 100);  // (0,0): half black over 200
    EXPECT_EQ(canvas[8], 0);    // (0,1): red, blue byte
    EXPECT_EQ(canvas[10], 255); //        red byte
    EXPECT_EQ(canvas[4], 200);  // (1,0): untouched
    blendPremultipliedArgb(cursor, 2, 2, view, 1, 1);
    EXPECT_EQ(canvas[12], 255);  // (1,1): white
    EXPECT_EQ(canvas[4], 200);
}

TEST(SampleDeliveryTest, NeverBlocksTheProducerAndAlwaysEndsTheStream) {
    std::mutex mutex;
    std::condition_variable cv;
    bool release = false;
    std::vector<std::int64_t> delivered;
    std::atomic<int> ends{0};
    {
        SampleDelivery delivery(
            2 * frameAt(0)->data.size(),
            [&](const SamplePtr& s) {
                std::unique_lock lock(mutex);
                cv.wait(lock, [&] { return release; });  // downstream stuck
                delivered.push_back(s->pts_100ns);
            },
            [&] { ++ends; });
        const auto start = std::chrono::steady_clock::now();
        int accepted = 0;
        for (int i = 0; i < 10; ++i) accepted += delivery.push(frameAt(i)) ? 1 : 0;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
        EXPECT_LE(accepted, 3);  // one in the hands of downstream, two waiting
        EXPECT_EQ(delivery.dropped(), 10 - accepted);
        {
            std::lock_guard lock(mutex);
            release = true;
        }
        cv.notify_all();
    }  // destruction delivers what waits, then the end
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(delivered.empty());
    EXPECT_TRUE(std::is_sorted(delivered.begin(), delivered.end()));

    std::atomic<int> endsAfterThrow{0};
    {
        SampleDelivery failing(64, [](const SamplePtr&) { throw std::runtime_error("encoder"); },
                               [&] { ++endsAfterThrow; });
        failing.push(frameAt(0));
    }
    EXPECT_EQ(endsAfterThrow, 1);
}

}  // namespace
}  // namespace platform
