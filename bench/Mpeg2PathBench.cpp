// The MPEG-2 recording path's encoding against the ffmpeg command line
// doing the same: 6 s of a busy 640 x 480 picture at 15 fps and a 44.1 kHz
// stereo tone, MPEG-2 video at 3 Mbit/s (4 Mbit/s peak, GOPs of 16 with 3 B
// pictures) and Layer II at 128 kbit/s, into an MPEG-2 program stream. Both
// take the same frames, as fast as they can, on one encoding thread each.
//   build/bin/mpeg2_path_bench
// Reports the CPU seconds of each and their ratio (ours / ffmpeg's).
#include <QProcess>
#include <QStringList>
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "SyntheticMedia.h"
#include "platform/core/fake/FakeLog.h"
#include "platform/media/FileSink.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/ModuleConfig.h"
#include "platform/media/Mpeg2Parameters.h"
#include "platform/media/linux/EncoderFilter.h"
#include "platform/media/linux/Mpeg2Filters.h"

namespace {

using namespace platform;
namespace fs = std::filesystem;

constexpr int kSeconds = 6;
constexpr VideoFormat kVideo{640, 480, 32, 15};
constexpr AudioFormat kAudio{44100, 2, 16};

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double childrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The input, made once: the frames and the sound as samples, and the same
// bytes in raw files for ffmpeg.
struct Input {
    std::vector<SamplePtr> frames;
    std::vector<SamplePtr> sound;
    fs::path folder;

    Input() : folder(fs::temp_directory_path() / ("talvora-mpeg2-bench-" + std::to_string(::getpid()))) {
        fs::create_directories(folder);
        std::ofstream video(folder / "video.raw", std::ios::binary);
        for (int i = 0; i < kSeconds * kVideo.framesPerSecond; ++i) {
            frames.push_back(test::patternFrame(kVideo, i, true));
            video.write(reinterpret_cast<const char*>(frames.back()->data.data()),
                        static_cast<std::streamsize>(frames.back()->data.size()));
        }
        std::ofstream audio(folder / "audio.raw", std::ios::binary);
        for (int i = 0; i < kSeconds * kAudio.sampleRate / test::kChunkFrames; ++i) {
            sound.push_back(test::toneChunk(kAudio, i));
            audio.write(reinterpret_cast<const char*>(sound.back()->data.data()),
                        static_cast<std::streamsize>(sound.back()->data.size()));
        }
    }
    ~Input() { fs::remove_all(folder); }
};

HRESULT set(Filter& filter, Mpeg2Parameter parameter, std::int64_t value) {
    auto* config = query<ModuleConfig>(&filter);
    ModuleValue v;
    config->getValue(mpeg2Parameter(parameter).id, &v);
    v.value = value;
    return config->setValue(mpeg2Parameter(parameter).id, v);
}

// Our filters: sources -> encoders -> multiplexer -> sink, configured as
// the recorder configures them for `Video Bitrate` 3000 and `Audio
// Bitrate` 128. The CPU seconds of the whole run.
double encodeWithThePath(const Input& in, benchmark::State& state) {
    FakeLog log;
    FilterRegistry registry;
    registerMpeg2Filters(registry, log);
    FilterGraph graph(registry);
    auto video = std::make_shared<test::SyntheticSource>(MediaType::ofVideo(kVideo), static_cast<int>(in.frames.size()),
                                                         [&](int i) { return in.frames[static_cast<std::size_t>(i)]; });
    auto audio = std::make_shared<test::SyntheticSource>(MediaType::ofAudio(kAudio), static_cast<int>(in.sound.size()),
                                                         [&](int i) { return in.sound[static_cast<std::size_t>(i)]; });
    auto videoEncoder = registry.create(kMpeg2VideoEncoderClassId);
    auto audioEncoder = registry.create(kLayer2AudioEncoderClassId);
    auto mux = registry.create(kMpegMultiplexerClassId);
    auto sink = registry.create(kMpegSinkClassId);
    for (const auto& [filter, name] : {std::pair{std::shared_ptr<Filter>(video), "video"}, {audio, "audio"},
                                       {videoEncoder, "video encoder"}, {audioEncoder, "audio encoder"},
                                       {mux, "mux"}, {sink, "sink"}})
        graph.addFilter(filter, name);
    query<FileSink>(sink)->setFileName((in.folder / "path.mpg").string());
    set(*sink, Mpeg2Parameter::SinkReplaceFile, 1);
    query<ModuleConfig>(sink)->commitChanges();
    graph.connectDirect(video->pins()[0].get(), videoEncoder->findPin(PinDirection::Input, "Input"));
    graph.connectDirect(audio->pins()[0].get(), audioEncoder->findPin(PinDirection::Input, "XForm In"));
    graph.connectDirect(videoEncoder->findPin(PinDirection::Output, "Output"), mux->findPin(PinDirection::Input, "Input0"));
    graph.connectDirect(audioEncoder->findPin(PinDirection::Output, "XForm Out"),
                        mux->findPin(PinDirection::Input, "Input1"));
    graph.connectDirect(mux->findPin(PinDirection::Output, "Out"), sink->findPin(PinDirection::Input, "Input"));
    for (const auto& [parameter, value] :
         {std::pair{Mpeg2Parameter::VideoBufferBits, std::int64_t{1'000'000}}, {Mpeg2Parameter::VideoMaxBitRate, 4'000'000},
          {Mpeg2Parameter::VideoBitRate, 3'000'000}, {Mpeg2Parameter::VideoClosedGop, 1},
          {Mpeg2Parameter::VideoGopAnchors, 4}, {Mpeg2Parameter::VideoAnchorDistance, 4},
          {Mpeg2Parameter::VideoSceneCuts, 0}})
        set(*videoEncoder, parameter, value);
    query<ModuleConfig>(videoEncoder)->commitChanges();
    set(*audioEncoder, Mpeg2Parameter::AudioBitRateIndex, 8);
    query<ModuleConfig>(audioEncoder)->commitChanges();

    const double before = processCpuSeconds();
    if (failed(graph.run())) {
        state.SkipWithError(log.lines().empty() ? "the graph does not run" : log.lines().back().c_str());
        return 0;
    }
    video->join();
    audio->join();
    graph.stop();
    const double used = processCpuSeconds() - before;
    // Every frame must have been encoded for the comparison to hold.
    for (const auto& encoder : {videoEncoder, audioEncoder})
        if (std::dynamic_pointer_cast<EncoderFilter>(encoder)->droppedSamples() != 0)
            state.SkipWithError("samples were dropped");
    return used;
}

// The same encode by the ffmpeg command line. Its CPU seconds.
double encodeWithFfmpeg(const Input& in, benchmark::State& state) {
    const double before = childrenCpuSeconds();
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg",
                 {"-v", "error", "-y", "-f", "rawvideo", "-pix_fmt", "bgr0", "-s", "640x480", "-r", "15", "-i",
                  QString::fromStdString((in.folder / "video.raw").string()), "-f", "s16le", "-ar", "44100", "-ac", "2",
                  "-i", QString::fromStdString((in.folder / "audio.raw").string()), "-c:v", "mpeg2video", "-threads",
                  "1", "-b:v", "3M", "-maxrate", "4M", "-bufsize", "1000000", "-g", "16", "-bf", "3", "-flags",
                  "+cgop", "-sc_threshold", "1000000000", "-c:a", "mp2", "-b:a", "128k", "-f", "vob",
                  QString::fromStdString((in.folder / "ffmpeg.mpg").string())});
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0) {
        state.SkipWithError("ffmpeg failed");
        return 0;
    }
    return childrenCpuSeconds() - before;
}

void Mpeg2PathAgainstFfmpeg(benchmark::State& state) {
    const Input in;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double ours = encodeWithThePath(in, state);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        const double theirs = encodeWithFfmpeg(in, state);
        state.SetIterationTime(took.count());
        state.counters["path_cpu_s"] = ours;
        state.counters["ffmpeg_cpu_s"] = theirs;
        state.counters["cpu_ratio"] = theirs > 0 ? ours / theirs : 0;
        state.counters["path_fps"] = static_cast<double>(in.frames.size()) / took.count();
        // The same work: files of about the same size.
        state.counters["path_bytes"] = static_cast<double>(fs::file_size(in.folder / "path.mpg"));
        state.counters["ffmpeg_bytes"] = static_cast<double>(fs::file_size(in.folder / "ffmpeg.mpg"));
    }
}
BENCHMARK(Mpeg2PathAgainstFfmpeg)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
