// One tick of the window tracker on the real X server with 200 top-level
// windows and a Zoom window at the bottom of the stack, so that every title is
// looked at; and the window list alone, which the tick reads once. Run it
// under scripts/virtual-desktop (with openbox) or on a bare Xvfb started with
// -noreset:
//   scripts/virtual-desktop run build/bin/window_tracker_bench
#include <benchmark/benchmark.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "../tests/desktop/X11DesktopPlatform.h"
#include "../tests/unit/targets/FakeTrackerHost.h"
#include "app/SettingsStore.h"
#include "targets/WindowTracker.h"

namespace {

constexpr int kWindows = 200;

// Top-level windows of their own connection, mapped and titled, for as long
// as the object lives.
class DesktopWindows {
public:
    DesktopWindows() : c_(xcb_connect(nullptr, nullptr), xcb_disconnect) {
        screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_.get())).data;
        add("Zoom Meeting", 100, 100);
        for (int i = 0; i < kWindows; ++i) add("Window " + std::to_string(i), 20 + i * 3, 20 + i * 2);
        xcb_flush(c_.get());
    }

private:
    void add(const std::string& title, int x, int y) {
        const xcb_window_t window = xcb_generate_id(c_.get());
        xcb_create_window(c_.get(), XCB_COPY_FROM_PARENT, window, screen_->root, static_cast<int16_t>(x),
                          static_cast<int16_t>(y), 400, 300, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual,
                          0, nullptr);
        xcb_change_property(c_.get(), XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            static_cast<uint32_t>(title.size()), title.data());
        xcb_map_window(c_.get(), window);
    }

    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> c_;
    const xcb_screen_t* screen_ = nullptr;
};

// The recorder's context on the real desktop backends, fakes for the rest,
// with a tracker that follows the Zoom window. Made once for all benchmarks.
struct TrackedDesktop {
    TrackedDesktop() {
        std::filesystem::create_directories(home);
        store.prepareDataFolder();
        platform.ctx.settings.autoMark = 1;
        // The window manager maps and frames the windows in its own time.
        for (int wait = 0; wait < 200 && !tracker.zoomMode(); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            tracker.TrackerTick();
        }
    }
    ~TrackedDesktop() { std::filesystem::remove_all(home); }

    const std::filesystem::path home = std::filesystem::temp_directory_path() / "talvora-tracker-bench";
    talvora::test::X11DesktopPlatform platform{home.string()};
    talvora::SettingsStore store{platform.ctx};
    talvora::test::FakeTrackerHost host;
    talvora::WindowTracker tracker{platform.ctx, store, host};
    DesktopWindows desktop;
};

TrackedDesktop* desktopOrSkip(benchmark::State& state) {
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("no X display (run under scripts/virtual-desktop)");
        return nullptr;
    }
    static TrackedDesktop desktop;
    if (!desktop.tracker.zoomMode()) {
        state.SkipWithError("the Zoom window was not found");
        return nullptr;
    }
    state.counters["windows"] = static_cast<double>(desktop.platform.windows.topLevel().size());
    return &desktop;
}

void BM_TrackerTick(benchmark::State& state) {
    TrackedDesktop* desktop = desktopOrSkip(state);
    if (!desktop) return;
    for (auto _ : state) desktop->tracker.TrackerTick();
}
BENCHMARK(BM_TrackerTick)->Unit(benchmark::kMillisecond);

void BM_TopLevelWindows(benchmark::State& state) {
    TrackedDesktop* desktop = desktopOrSkip(state);
    if (!desktop) return;
    for (auto _ : state) benchmark::DoNotOptimize(desktop->platform.windows.topLevel());
}
BENCHMARK(BM_TopLevelWindows)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
