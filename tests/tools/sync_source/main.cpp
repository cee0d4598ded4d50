// A source of sound and picture whose sync is known: 1 kHz beeps of 100 ms
// at irregular times on the default sink, and a window that turns white at
// the moment the sound server plays each beep, then a step darker every
// 4 ms until the beep ends (so that a grab tells how far into the flash it
// looked). It prints each beep's time at the sink and the time its flash was
// on the screen, on one clock, and how far apart they were.
//
//   sync_source [--title T] [--size WxH] [--seconds N]
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "BeepStream.h"
#include "FlashWindow.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::int64_t kStep_us = 4000;
constexpr int kLevelStep = 6;

std::int64_t now_us() {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count();
}

// SIGINT and SIGTERM as a descriptor to look at, so that the summary is printed.
class StopSignals {
public:
    StopSignals() {
        sigemptyset(&set_);
        sigaddset(&set_, SIGINT);
        sigaddset(&set_, SIGTERM);
        sigprocmask(SIG_BLOCK, &set_, nullptr);
        fd_ = signalfd(-1, &set_, SFD_NONBLOCK | SFD_CLOEXEC);
        if (fd_ < 0) throw std::runtime_error("cannot watch the stop signals");
    }
    ~StopSignals() { close(fd_); }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    bool raised() const {
        pollfd p{fd_, POLLIN, 0};
        return poll(&p, 1, 0) > 0;
    }

private:
    sigset_t set_{};
    int fd_ = -1;
};

struct Options {
    std::string title = "Zoom Meeting";
    int width = 320, height = 240;
    double seconds = 0;  // until stopped
};

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--title") o.title = argv[i + 1];
        else if (name == "--seconds") o.seconds = std::stod(argv[i + 1]);
        else if (name == "--size" && std::sscanf(argv[i + 1], "%dx%d", &o.width, &o.height) == 2) continue;
        else throw std::runtime_error("unknown option " + name);
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) try {
    using talvora::tools::BeepStream;
    const Options options = parse(argc, argv);
    StopSignals stop;
    // A flash is painted when its beep plays: on a busy machine only a
    // real-time thread is woken in time (it sleeps between its looks).
    const sched_param priority{10};
    if (sched_setscheduler(0, SCHED_FIFO, &priority) != 0)
        std::fprintf(stderr, "sync_source: no real-time priority (%s); flashes may come late\n", std::strerror(errno));
    talvora::tools::FlashWindow window(options.title, options.width, options.height);
    BeepStream beeps("sync source");
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    const std::int64_t started = now_us();
    std::int64_t lastTiming = 0;
    int shown = 0;
    int cornerShown = -1;
    int beepCount = 0;
    double sum_us = 0, worst_us = 0;
    while (!stop.raised() && (options.seconds <= 0 || now_us() - started < options.seconds * 1e6)) {
        window.handleEvents();
        if (const std::int64_t t = now_us(); t - lastTiming > 100'000) {
            beeps.requestTiming();
            lastTiming = t;
        }
        if (const int corner = static_cast<int>((now_us() / 10'000) % 8) * 8; corner != cornerShown) {
            window.paintCorner(corner);
            cornerShown = corner;
        }
        const std::int64_t askedAt = now_us();
        const std::optional<std::int64_t> playing = beeps.playing_us();
        const std::optional<std::int64_t> beep = playing ? beeps.beepAt(*playing) : std::nullopt;
        // Stream times of the sample heard and of the start of its beep.
        const std::int64_t heard = playing.value_or(0);
        const std::int64_t start = beep.value_or(heard);
        const int level = beep ? 255 - kLevelStep * static_cast<int>((heard - start) / kStep_us) : 0;
        if (level != shown) {
            const std::int64_t paintFrom = now_us();
            window.paint(level);
            if (shown == 0) {
                const std::int64_t sink = askedAt + (start - heard);
                const std::int64_t painted = now_us();
                ++beepCount;
                sum_us += static_cast<double>(painted - sink);
                worst_us = std::max(worst_us, std::abs(static_cast<double>(painted - sink)));
                std::printf("beep %d at %.3f s of the stream: sink %lld us, paint %lld us (seen %lld us late, "
                            "painted in %lld us)\n",
                            beepCount, static_cast<double>(start) / 1e6, static_cast<long long>(sink),
                            static_cast<long long>(painted), static_cast<long long>(heard - start),
                            static_cast<long long>(painted - paintFrom));
            }
            shown = level;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    std::printf("paint after beep: mean %.2f ms, worst %.2f ms over %d beeps; %d underruns\n",
                beepCount > 0 ? sum_us / beepCount / 1000 : 0.0, worst_us / 1000, beepCount, beeps.underruns());
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "sync_source: %s\n", e.what());
    return 1;
}
