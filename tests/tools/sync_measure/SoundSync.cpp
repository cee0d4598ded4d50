#include "SoundSync.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <utility>

namespace talvora::tools {
namespace {

// The source's flash is a step darker every 4 ms, so that a recorded frame
// tells how long before its grab the flash began.
constexpr double kLevelTime_s = 0.004;
constexpr int kLevelStep = 6;  // of 255

// What the program prints; a long recording takes minutes to decode.
std::string output(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(-1);
    return p.readAllStandardOutput().toStdString();
}

double startOf(const std::string& file, const char* entry, const QStringList& select = {}) {
    const std::string text = output("ffprobe", QStringList{"-v", "error"} << select << QStringList{
                                                "-show_entries", entry, "-of", "csv=p=0", QString::fromStdString(file)});
    return text.empty() ? 0 : std::stod(text);
}

}  // namespace

double SoundSync::mean() const {
    double sum = 0;
    for (double o : offsets) sum += o;
    return offsets.empty() ? 0 : sum / static_cast<double>(offsets.size());
}

double SoundSync::spread() const {
    const double m = mean();
    double sum = 0;
    for (double o : offsets) sum += (o - m) * (o - m);
    return offsets.empty() ? 0 : std::sqrt(sum / static_cast<double>(offsets.size()));
}

std::string SoundSync::text() const {
    std::ostringstream s;
    s.precision(3);
    s << "mean " << mean() * 1000 << " ms, spread " << spread() * 1000 << " ms over " << offsets.size()
      << " pairs, largest frame gap " << largestVideoGap * 1000 << " ms at " << largestVideoGapAt << " s; offsets (s):";
    for (std::size_t i = 0; i < offsets.size(); ++i) s << " " << flashes[i] << ":" << offsets[i];
    return s.str();
}

SoundSync measureSoundSync(const std::string& file, double placing_s) {
    SoundSync sync;
    const double origin = startOf(file, "format=start_time");
    const std::string frames =
        output("ffprobe", {"-v", "error", "-f", "lavfi", "-i", QString("movie=%1,signalstats").arg(QString::fromStdString(file)),
                        "-show_entries", "frame=pts_time:frame_tags=lavfi.signalstats.YAVG", "-of", "csv=p=0"});
    std::istringstream lines(frames);
    std::string line;
    struct Frame {
        double time, level;  // seconds, mean luma
        bool bright() const { return level > 80; }
    };
    std::vector<Frame> shown;
    while (std::getline(lines, line)) {
        const auto comma = line.find(',');
        if (comma == std::string::npos) continue;
        shown.push_back({std::stod(line.substr(0, comma)) - origin, std::stod(line.substr(comma + 1))});
    }
    sync.frames = static_cast<int>(shown.size());
    if (!shown.empty()) sync.videoSpan = shown.back().time - shown.front().time;
    for (std::size_t i = 1; i < shown.size(); ++i)
        if (shown[i].time - shown[i - 1].time > sync.largestVideoGap) {
            sync.largestVideoGap = shown[i].time - shown[i - 1].time;
            sync.largestVideoGapAt = shown[i - 1].time;
        }
    // A frame is a moment of the screen. The first bright frame of a
    // flash caught its level k, painted from k steps after the flash
    // began until the next: the flash began k and a half steps before
    // the frame. White is 235 in limited-range luma.
    constexpr double first = 235;
    const double step = kLevelStep * 219.0 / 255.0;
    for (std::size_t i = 1; i < shown.size(); ++i) {
        if (!shown[i].bright() || shown[i - 1].bright()) continue;
        const double k = std::max(0.0, std::round((first - shown[i].level) / step));
        sync.flashes.push_back(shown[i].time - (k + 0.5) * kLevelTime_s);
    }
    // The decoded sound, each frame at its own time (the sound decoder
    // may hold back its first frames, and the command line's resampler
    // does not pad the start by less than 100 ms).
    const QString name = QString::fromStdString(file);
    const int rate = static_cast<int>(startOf(file, "stream=sample_rate", {"-select_streams", "a"}));
    std::vector<std::pair<std::size_t, double>> soundFrames;  // first sample, its time
    std::istringstream frameList(output("ffprobe", {"-v", "error", "-select_streams", "a", "-show_entries",
                                                 "frame=pts_time,nb_samples", "-of", "csv=p=0", name}));
    for (std::size_t at = 0; std::getline(frameList, line);) {
        const auto comma = line.find(',');
        if (comma == std::string::npos) continue;
        // A frame without a time follows the one before it.
        const bool timed = line.compare(0, comma, "N/A") != 0;
        if (timed) soundFrames.emplace_back(at, std::stod(line.substr(0, comma)) - origin);
        at += std::stoul(line.substr(comma + 1));
    }
    auto timeOf = [&](std::size_t sample) {
        auto frame = std::upper_bound(soundFrames.begin(), soundFrames.end(), std::make_pair(sample, 1e99));
        if (frame == soundFrames.begin()) return 0.0;
        --frame;
        return frame->second + static_cast<double>(sample - frame->first) / rate;
    };
    const std::string pcm = output("ffmpeg", {"-v", "error", "-i", name, "-map", "0:a", "-ac", "1", "-f", "s16le", "-"});
    const auto* samples = reinterpret_cast<const std::int16_t*>(pcm.data());
    const std::size_t count = pcm.size() / 2;
    const std::size_t window = static_cast<std::size_t>(rate) / 1000;  // 1 ms
    std::vector<double> levels;
    for (std::size_t at = 0; at + window <= count; at += window) {
        double sum = 0;
        for (std::size_t i = at; i < at + window; ++i) sum += static_cast<double>(samples[i]) * samples[i];
        levels.push_back(std::sqrt(sum / static_cast<double>(window)));
    }
    const double loudest = levels.empty() ? 0 : *std::max_element(levels.begin(), levels.end());
    std::vector<double> beeps;
    for (std::size_t i = 1; i < levels.size(); ++i)
        if (levels[i] > loudest / 4 && levels[i - 1] <= loudest / 4) beeps.push_back(timeOf(i * window));
    const double soundEnd = timeOf(count);
    sync.videoStart = startOf(file, "stream=start_time", {"-select_streams", "v"}) - origin;
    sync.audioStart = startOf(file, "stream=start_time", {"-select_streams", "a"}) - origin;
    std::vector<double> paired;
    for (double flash : sync.flashes) {
        // A beep cut by the sound's end has no onset to find; in its
        // first second the recorder places the sound by the server's
        // first reports, which wander (up to 40 ms seen).
        if (flash > soundEnd - 0.3 || flash < sync.audioStart + placing_s) continue;
        double best = 1e9;
        for (double beep : beeps)
            if (std::abs(beep - flash) < std::abs(best)) best = beep - flash;
        // Beeps are 0.8 s apart or more: one farther than half that is
        // another flash's (this one's was cut by the sound's start).
        if (std::abs(best) > 0.4) continue;
        paired.push_back(flash);
        sync.offsets.push_back(best);
    }
    sync.flashes = paired;
    sync.duration = startOf(file, "format=duration");
    return sync;
}

}  // namespace talvora::tools
