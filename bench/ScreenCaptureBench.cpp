// The screen capture on a real X server. Run under scripts/virtual-desktop:
//   scripts/virtual-desktop run build/bin/screen_capture_bench
// - GrabConvert: one 1280 x 720 grab with the pointer drawn, converted to the
//   frame's depth (what the capture thread does per frame);
// - GrabWindow: the same from a framed window's own contents (Composite), as
//   a meeting window is recorded: the CPU column is this process's share;
// - FfmpegX11Grab: the same grab and conversion by the ffmpeg command line
//   (x11grab to raw bgr24), time per frame, as the peer to compare with;
// - Capture15Fps: the whole filter at 15 fps for 3 s into a sink, with the
//   process's CPU use and the frames that arrived.
#include <QProcess>
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>
#include <vector>

#include "platform/core/fake/FakeLog.h"
#include "platform/desktop/linux/X11ScreenReader.h"
#include "platform/desktop/linux/X11ScreenSource.h"
#include "platform/desktop/linux/XcbConnection.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/ScreenCaptureConfig.h"
#include "platform/media/linux/ScreenCaptureParams.h"
#include "platform/desktop/linux/X11ScreenReader.h"
#include "platform/media/linux/VideoFilters.h"

namespace {

using namespace platform;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

bool haveDisplay(benchmark::State& state) {
    if (std::getenv("DISPLAY") != nullptr) return true;
    state.SkipWithError("no X display (run under scripts/virtual-desktop)");
    return false;
}

void GrabConvert(benchmark::State& state) {
    if (!haveDisplay(state)) return;
    X11ScreenReader grabber;
    ScreenCaptureParams params;
    params.bitsPerPixel = static_cast<int>(state.range(0));
    params.rect = {0, 0, kWidth, kHeight};
    params.drawCursor = true;
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(params.stride()) * kHeight);
    const ImageView view{frame.data(), kWidth, kHeight, params.stride(), params.bitsPerPixel / 8};
    for (auto _ : state) {
        if (!grabber.read(params.area(), view)) {
            state.SkipWithError(grabber.error().c_str());
            return;
        }
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetLabel(grabber.usesSharedMemory() ? "MIT-SHM" : "GetImage");
}
BENCHMARK(GrabConvert)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

void GrabWindow(benchmark::State& state) {
    if (!haveDisplay(state)) return;
    XcbConnection x;
    xcb_connection_t* c = x.get();
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {x.screen()->white_pixel};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, x.root(), 40, 40, kWidth, kHeight, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL, values);
    xcb_map_window(c, window);
    xcb_flush(c);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // framed by the window manager
    auto tree = x.reply(xcb_query_tree_reply, xcb_query_tree(c, window));
    const xcb_window_t frame = tree && tree->parent != tree->root ? tree->parent : window;
    auto geometry = x.reply(xcb_get_geometry_reply, xcb_get_geometry(c, frame));
    if (!geometry) {
        state.SkipWithError("the window has no geometry");
        return;
    }
    ScreenCaptureParams params;
    params.bitsPerPixel = 32;
    params.rect = {geometry->x, geometry->y, geometry->x + geometry->width, geometry->y + geometry->height};
    params.window = window;
    params.captureWindow = true;
    params.drawCursor = true;
    X11ScreenReader grabber;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(params.stride()) * params.rect.height());
    const ImageView view{pixels.data(), params.rect.width(), params.rect.height(), params.stride(), 4};
    for (auto _ : state) {
        if (!grabber.read(params.area(), view)) {
            state.SkipWithError(grabber.error().c_str());
            return;
        }
        benchmark::DoNotOptimize(pixels.data());
    }
    xcb_destroy_window(c, window);
    xcb_flush(c);
}
BENCHMARK(GrabWindow)->Unit(benchmark::kMillisecond);

void FfmpegX11Grab(benchmark::State& state) {
    if (!haveDisplay(state)) return;
    constexpr int kFrames = 200;
    for (auto _ : state) {
        QProcess ffmpeg;
        // As fast as it can: the time per frame is the cost of one grab.
        ffmpeg.start("ffmpeg", {"-loglevel", "error", "-f", "x11grab", "-framerate", "1000", "-video_size",
                                QString("%1x%2").arg(kWidth).arg(kHeight), "-i", qgetenv("DISPLAY"),
                                "-frames:v", QString::number(kFrames), "-pix_fmt", "bgr24", "-f", "rawvideo", "-y",
                                "/dev/null"});
        const auto start = std::chrono::steady_clock::now();
        if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) {
            state.SkipWithError("ffmpeg x11grab failed");
            return;
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count() / kFrames);
    }
}
BENCHMARK(FfmpegX11Grab)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

class CountingSink : public Filter {
public:
    CountingSink() : Filter("{COUNT}") { addPin("Input", PinDirection::Input); }
    void receive(Pin&, const SamplePtr&) override { ++frames; }
    std::atomic<int> frames{0};
};

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void Capture15Fps(benchmark::State& state) {
    if (!haveDisplay(state)) return;
    constexpr int kSeconds = 3;
    FakeLog log;
    X11ScreenSource screen;
    FilterRegistry registry;
    registerVideoFilters(registry, screen, log);
    for (auto _ : state) {
        FilterGraph graph(registry);
        auto capture = registry.create(kScreenCaptureClassId);
        query<ScreenCaptureConfig>(capture)->configure(
            {15, static_cast<int>(state.range(0)), 0, 0, kWidth, kHeight, 1, 1000, 1, 1, 0, 0, 0, 0, 100, 0});
        auto sink = std::make_shared<CountingSink>();
        graph.addFilter(capture, "ScrCap BCK");
        graph.addFilter(sink, "Sink");
        graph.connectDirect(capture->findPin(PinDirection::Output, "Output"), sink->pins()[0].get());
        const double cpuBefore = processCpuSeconds();
        graph.run();
        std::this_thread::sleep_for(std::chrono::seconds(kSeconds));
        graph.stop();
        state.SetIterationTime(kSeconds);
        state.counters["cpu_percent"] = 100.0 * (processCpuSeconds() - cpuBefore) / kSeconds;
        state.counters["frames_per_s"] = static_cast<double>(sink->frames) / kSeconds;
    }
}
BENCHMARK(Capture15Fps)->Arg(24)->Arg(32)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
