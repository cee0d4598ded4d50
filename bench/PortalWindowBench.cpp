// A tracked X11 meeting window in a Wayland session, read the two ways the
// portal backend can: cropped from the portal's monitor stream, or its own
// contents from XWayland (Composite). A moving 640 x 480 test picture at
// 100,100, a still window over its right part and an X11 pop-up
// (override-redirect, as a meeting's menu) over its top left; 25 reads a
// second for 10 s each way. Prints this process's CPU (the stream's own
// thread included) and XWayland's, and what each way shows under the other
// window and the pop-up.
// Run: scripts/virtual-desktop --wayland run build/bin/portal_window_bench
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

#include "platform/desktop/linux/PipeWireScreenStream.h"
#include "platform/desktop/linux/PortalScreenReader.h"
#include "platform/desktop/linux/ScreenCastPortal.h"
#include "platform/desktop/linux/X11Windows.h"

namespace {

using namespace platform;
using namespace std::chrono_literals;

constexpr Rect kMeeting{100, 100, 740, 580};

double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// Starts `program` and keeps it until the bench ends.
void launch(std::vector<std::unique_ptr<QProcess>>& running, const QString& program, const QStringList& arguments) {
    running.push_back(std::make_unique<QProcess>());
    running.back()->start(program, arguments);
    running.back()->waitForStarted();
}

// XWayland's CPU seconds: the contents read through it cost it a copy.
double xwaylandSeconds() {
    QProcess pgrep;
    pgrep.start("pgrep", {"-x", "Xwayland"});
    pgrep.waitForFinished();
    const QByteArray display = qgetenv("DISPLAY");
    for (const QByteArray& pid : pgrep.readAllStandardOutput().split('\n')) {
        QFile cmdline("/proc/" + pid + "/cmdline");
        if (pid.isEmpty() || !cmdline.open(QIODevice::ReadOnly) || !cmdline.readAll().split('\0').contains(display))
            continue;
        QFile stat("/proc/" + pid + "/stat");
        if (!stat.open(QIODevice::ReadOnly)) return 0;
        const QList<QByteArray> fields = stat.readAll().split(')').last().split(' ');
        return (fields.value(12).toDouble() + fields.value(13).toDouble()) / sysconf(_SC_CLK_TCK);
    }
    return 0;
}

// A window of ffplay showing `source`, floating on sway at `rect`.
void showWindow(std::vector<std::unique_ptr<QProcess>>& running, const QString& title, const QString& source,
                const Rect& rect) {
    launch(running, "ffplay", {"-loglevel", "quiet", "-f", "lavfi", "-i", source, "-window_title", title});
    QProcess search;
    search.start("xdotool", {"search", "--sync", "--name", "^" + title + "$"});
    search.waitForFinished();
    const QDir runtime(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    const QString socket = runtime.entryList({"sway-ipc.*.sock"}, QDir::System).value(0);
    QProcess::execute("swaymsg", {"-s", runtime.filePath(socket),
                                  QString("[title=\"^%1$\"] floating enable, border none, resize set %2 %3, "
                                          "move position %4 %5")
                                      .arg(title)
                                      .arg(rect.width())
                                      .arg(rect.height())
                                      .arg(rect.left)
                                      .arg(rect.top)});
}

WindowId findMeeting() {
    X11Windows windows;
    for (WindowId w : windows.topLevel())
        if (windows.title(w) == "Zoom Meeting") return w;
    return 0;
}

void measure(PortalScreenReader& reader, ScreenArea area, const char* way) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kMeeting.width()) * kMeeting.height() * 4);
    const ImageView frame{pixels.data(), kMeeting.width(), kMeeting.height(), kMeeting.width() * 4, 4};
    constexpr int kReads = 250;
    const double before = processSeconds(), serverBefore = xwaylandSeconds();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kReads; ++i) {
        if (!reader.read(area, frame)) {
            std::printf("%s: read failed: %s\n", way, reader.error().c_str());
            return;
        }
        std::this_thread::sleep_until(start + i * 40ms);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto rgb = [&](int x, int y) {
        const std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * kMeeting.width() + x) * 4];
        char text[8];
        std::snprintf(text, sizeof text, "%02x%02x%02x", p[2], p[1], p[0]);
        return std::string(text);
    };
    const double used = processSeconds() - before, serverUsed = xwaylandSeconds() - serverBefore;
    std::printf(
        "%s: %.1f %% of one core, XWayland %.1f %%; under the other "
        "window %s, under the pop-up %s\n",
        way, 100 * used / seconds, 100 * serverUsed / seconds, rgb(550, 240).c_str(), rgb(100, 80).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "run under scripts/virtual-desktop --wayland\n");
        return 2;
    }
    ScreenCastPortal portal;
    portal.start({});
    if (!portal.waitForFinished(10000) || portal.result().outcome != ScreenCastResult::Outcome::Granted) {
        std::fprintf(stderr, "the portal gave no screen\n");
        return 1;
    }
    auto grant = std::make_shared<PortalGrant>();
    grant->stream = std::make_shared<PipeWireScreenStream>(portal.pipeWireFd(), portal.result().streams.front().nodeId);
    grant->position = portal.result().streams.front().position;

    std::vector<std::unique_ptr<QProcess>> running;
    showWindow(running, "Zoom Meeting", "testsrc=size=640x480:rate=25", kMeeting);
    showWindow(running, "Cover", "color=c=lime:size=400x600:rate=25", {500, 50, 900, 650});
    launch(
        running, "python3",
        {QCoreApplication::applicationDirPath() + "/../../bench/x11_popup.py", "150", "150", "160", "120", "ff0000"});
    QThread::sleep(2);
    const WindowId meeting = findMeeting();
    if (meeting == 0 || !grant->stream->waitForFrame(0, 5s)) {
        std::fprintf(stderr, "no meeting window or no picture\n");
        return 1;
    }
    PortalScreenReader reader(grant, ScreenError::None, {});
    measure(reader, {kMeeting, meeting, false, false}, "cropped from the stream");
    measure(reader, {kMeeting, meeting, true, false}, "the window's own contents (XWayland)");
    for (auto& process : running) process->kill();
    for (auto& process : running) process->waitForFinished();
    return 0;
}
