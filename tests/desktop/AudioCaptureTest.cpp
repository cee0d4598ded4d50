#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>

#include "platform/audio/linux/PulseAudioSystem.h"
#include "platform/core/fake/FakeLog.h"
#include "platform/media/AudioCaptureConfig.h"
#include "platform/media/FileSink.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/linux/AudioFilters.h"

namespace platform {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The left channel of a 16-bit stereo WAVE file.
struct Recording {
    int sampleRate = 0;
    std::vector<double> left;
    double seconds() const { return static_cast<double>(left.size()) / sampleRate; }
};

std::optional<Recording> readWav(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    const std::vector<unsigned char> b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    auto u32 = [&](std::size_t at) {
        return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
    };
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0)
        return std::nullopt;
    Recording r;
    int channels = 0;
    for (std::size_t at = 12; at + 8 <= b.size();) {
        const std::uint32_t size = u32(at + 4);
        if (std::memcmp(b.data() + at, "fmt ", 4) == 0) {
            channels = b[at + 10] | b[at + 11] << 8;
            r.sampleRate = static_cast<int>(u32(at + 12));
        } else if (std::memcmp(b.data() + at, "data", 4) == 0 && channels == 2) {
            if (at + 8 + size > b.size()) return std::nullopt;
            for (std::size_t i = at + 8; i + 4 <= at + 8 + size; i += 4)
                r.left.push_back(static_cast<std::int16_t>(b[i] | b[i + 1] << 8));
            return r;
        }
        at += 8 + size + size % 2;
    }
    return std::nullopt;
}

// Amplitude of `hz` in [from, to) seconds (Goertzel); a full-scale sine is 32767.
double amplitude(const Recording& r, double hz, double from, double to) {
    const auto begin = static_cast<std::size_t>(from * r.sampleRate);
    const auto end = std::min(r.left.size(), static_cast<std::size_t>(to * r.sampleRate));
    const double w = 2 * M_PI * hz / r.sampleRate;
    double s1 = 0, s2 = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const double s0 = r.left[i] + 2 * std::cos(w) * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2;
    return 2 * std::sqrt(std::max(0.0, power)) / static_cast<double>(end - begin);
}

double peakFrequency(const Recording& r, double from, double to) {
    double best = 0, bestLevel = -1;
    for (double hz = 100; hz <= 3000; hz += 5) {
        const double level = amplitude(r, hz, from, to);
        if (level > bestLevel) {
            bestLevel = level;
            best = hz;
        }
    }
    return best;
}

// Sets an environment variable for its lifetime.
class EnvironmentOverride {
public:
    EnvironmentOverride(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~EnvironmentOverride() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class AudioCaptureDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("PULSE_SERVER") == nullptr)
            GTEST_SKIP() << "no sound server (run under scripts/virtual-desktop)";
        ASSERT_TRUE(dir_.isValid());
        registerAudioFilters(registry_, audio_, log_);
    }

    void TearDown() override {
        for (auto& player : players_) {
            player->kill();
            player->waitForFinished(3000);
        }
    }

    // Plays a 6 s sine of `hz` into `sink` until the test ends.
    void play(int hz, const QString& sink) {
        const QString file = dir_.filePath(QString("tone%1.wav").arg(hz));
        ASSERT_EQ(QProcess::execute("sox", {"-n", "-r", "44100", "-c", "2", file, "synth", "6", "sine",
                                            QString::number(hz), "vol", "0.4"}),
                  0);
        auto player = std::make_unique<QProcess>();
        player->start("paplay", {"--device=" + sink, file});
        ASSERT_TRUE(player->waitForStarted(3000));
        players_.push_back(std::move(player));
    }

    // The audio capture filter, configured, into "WAV Dest" writing `file`.
    std::shared_ptr<Filter> build(FilterGraph& graph, const AudioCaptureSetup& setup, const QString& file) {
        auto capture = registry_.create(kAudioCaptureClassId);
        EXPECT_EQ(query<AudioCaptureConfig>(capture)->configure(setup), S_OK);
        auto wavDest = wavDestFilter();
        EXPECT_EQ(query<FileSink>(wavDest)->setFileName(file.toStdString()), S_OK);
        graph.addFilter(capture, "VozEza5 Filter");
        graph.addFilter(wavDest, "WAV Dest");
        EXPECT_EQ(graph.connectDirect(capture->findPin(PinDirection::Output, "Out"),
                                      wavDest->findPin(PinDirection::Input, "In")),
                  S_OK);
        return capture;
    }

    std::shared_ptr<Filter> wavDestFilter() {
        for (const auto& entry : registry_.entries(kLegacyFilterCategory))
            if (entry.friendlyName == "WAV Dest") return entry.create();
        return nullptr;
    }

    // The test server's null sinks render in blocks as long as their latency
    // (2 s while nobody asks for less), so a new stream on their monitors
    // would wait that long for its first audio. A low-latency stream kept
    // open brings them to short blocks first, as a sound card always runs.
    void warmUp(const std::string& source) {
        std::unique_ptr<AudioRecordStream> stream;
        ASSERT_TRUE(audio_.openRecordStream(source, 44100, 2, stream).ok());
        std::vector<std::int16_t> samples;
        const auto until = Clock::now() + 5s;
        while (samples.empty() && Clock::now() < until) ASSERT_TRUE(stream->read(samples, 100ms).ok());
        ASSERT_FALSE(samples.empty()) << source << " delivers nothing";
        warm_.push_back(std::move(stream));
    }

    // Plays the tones, the speakers' first and the microphone's second.
    void playTones(int speakersHz, int microphoneHz) {
        warmUp("speakers.monitor");
        warmUp("microphone");
        play(speakersHz, "speakers");
        if (microphoneHz != 0) play(microphoneHz, "mic_line");
        std::this_thread::sleep_for(300ms);
    }

    QTemporaryDir dir_;
    PulseAudioSystem audio_;
    FakeLog log_;
    FilterRegistry registry_;
    std::vector<std::unique_ptr<QProcess>> players_;
    std::vector<std::unique_ptr<AudioRecordStream>> warm_;
};

TEST_F(AudioCaptureDesktopTest, SeesTheServersDefaultsAndSourcesAndMutesASource) {
    AudioSinkInfo sink;
    ASSERT_TRUE(audio_.defaultSink(sink).ok());
    EXPECT_EQ(sink.name, "speakers");
    EXPECT_EQ(sink.monitorSource, "speakers.monitor");
    EXPECT_GT(sink.sampleFormat.sampleRate, 0);
    AudioSourceInfo source;
    ASSERT_TRUE(audio_.defaultSource(source).ok());
    EXPECT_EQ(source.name, "microphone");
    EXPECT_EQ(source.description, "Microphone");
    EXPECT_FALSE(source.isMonitor);

    std::vector<AudioSourceInfo> sources;
    ASSERT_TRUE(audio_.sources(sources).ok());
    auto find = [&](const std::string& name) -> const AudioSourceInfo* {
        for (const auto& s : sources)
            if (s.name == name) return &s;
        return nullptr;
    };
    ASSERT_NE(find("speakers.monitor"), nullptr);
    EXPECT_TRUE(find("speakers.monitor")->isMonitor);

    ASSERT_TRUE(audio_.setSourceMute("microphone", true).ok());
    ASSERT_TRUE(audio_.sources(sources).ok());
    EXPECT_TRUE(find("microphone")->muted);
    ASSERT_TRUE(audio_.setSourceMute(source.index, false).ok());
    ASSERT_TRUE(audio_.sources(sources).ok());
    EXPECT_FALSE(find("microphone")->muted);
    EXPECT_EQ(audio_.setSourceMute("no_such_source", true).hr, static_cast<HRESULT>(0x80070490u));

    std::vector<std::string> names;
    for (const auto& entry : registry_.entries(kAudioCaptureCategory)) names.push_back(entry.friendlyName);
    EXPECT_EQ(names, (std::vector<std::string>{"VozEza5", "Microphone"}));
}

TEST_F(AudioCaptureDesktopTest, RecordsTheToneTheSpeakersPlay) {
    playTones(440, 0);
    const QString file = dir_.filePath("speakers.wav");
    {
        FilterGraph graph(registry_);
        build(graph, AudioCaptureSetup{}, file);
        ASSERT_EQ(graph.run(), S_OK);
        std::this_thread::sleep_for(2s);
        graph.stop();
    }
    const auto wav = readWav(file);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->sampleRate, 44100);
    EXPECT_NEAR(wav->seconds(), 2.0, 0.2);
    EXPECT_NEAR(peakFrequency(*wav, 0.5, 1.5), 440, 5);
    EXPECT_GT(amplitude(*wav, 440, 0.5, 1.5), 0.3 * 32767);
}

TEST_F(AudioCaptureDesktopTest, DualAudioAddsTheMicrophoneAndMuteTakesItOutWhileRecording) {
    playTones(440, 1000);
    const QString file = dir_.filePath("dual.wav");
    {
        FilterGraph graph(registry_);
        AudioCaptureSetup setup;
        setup.dualAudio = 1;
        setup.secondSource = "Microphone";
        auto capture = build(graph, setup, file);
        ASSERT_EQ(graph.run(), S_OK);
        std::this_thread::sleep_for(1s);
        setup.mute = 1;
        query<AudioCaptureConfig>(capture)->configure(setup);
        std::this_thread::sleep_for(1s);
        graph.stop();
    }
    const auto wav = readWav(file);
    ASSERT_TRUE(wav);
    EXPECT_NEAR(wav->seconds(), 2.0, 0.2);
    // Before the mute both tones are there, after it only the speakers' one.
    EXPECT_GT(amplitude(*wav, 440, 0.3, 0.9), 0.3 * 32767);
    EXPECT_GT(amplitude(*wav, 1000, 0.3, 0.9), 0.3 * 32767);
    EXPECT_GT(amplitude(*wav, 440, 1.3, 1.8), 0.3 * 32767);
    EXPECT_LT(amplitude(*wav, 1000, 1.3, 1.8), 0.01 * 32767);
}

TEST_F(AudioCaptureDesktopTest, ADeviceOfTheCategoryRecordsItsSourceAlone) {
    playTones(440, 1000);
    std::shared_ptr<Filter> device;
    for (const auto& entry : registry_.entries(kAudioCaptureCategory))
        if (entry.friendlyName == "Microphone") device = entry.create();
    ASSERT_TRUE(device);
    const QString file = dir_.filePath("device.wav");
    {
        FilterGraph graph(registry_);
        auto wavDest = wavDestFilter();
        query<FileSink>(wavDest)->setFileName(file.toStdString());
        graph.addFilter(device, "Microphone");
        graph.addFilter(wavDest, "WAV Dest");
        ASSERT_EQ(graph.connectDirect(device->findPin(PinDirection::Output, "Capture"),
                                      wavDest->findPin(PinDirection::Input, "In")),
                  S_OK);
        ASSERT_EQ(graph.run(), S_OK);
        std::this_thread::sleep_for(1s);
        graph.stop();
    }
    const auto wav = readWav(file);
    ASSERT_TRUE(wav);
    EXPECT_NEAR(wav->seconds(), 1.0, 0.1);
    EXPECT_NEAR(peakFrequency(*wav, 0.2, 0.9), 1000, 5);
    EXPECT_LT(amplitude(*wav, 440, 0.2, 0.9), 0.01 * 32767);
}

// Without a working sound server the start fails soon and says why. Needs no
// server, so it also runs outside the virtual desktop.
TEST(AudioCaptureNoServerTest, StartingFailsWithinSecondsWhenTheServerIsMissingOrSilent) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A socket that takes connections but never answers, as a hung server.
    const std::string silentPath = dir.filePath("silent").toStdString();
    const int silent = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(silent, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, silentPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(silent, 4), 0);

    for (const std::string& server : {"unix:" + dir.filePath("missing").toStdString(), "unix:" + silentPath}) {
        SCOPED_TRACE(server);
        EnvironmentOverride env("PULSE_SERVER", server);
        PulseAudioSystem audio;
        FakeLog log;
        FilterRegistry registry;
        registerAudioFilters(registry, audio, log);
        FilterGraph graph(registry);
        auto capture = registry.create(kAudioCaptureClassId);
        auto sink = registry.create("{3C78B8E2-6C4D-11D1-ADE2-0000F8754B99}");
        query<FileSink>(sink)->setFileName(dir.filePath("never.wav").toStdString());
        graph.addFilter(capture, "VozEza5 Filter");
        graph.addFilter(sink, "WAV Dest");
        ASSERT_EQ(graph.connectDirect(capture->findPin(PinDirection::Output, "Out"),
                                      sink->findPin(PinDirection::Input, "In")),
                  S_OK);
        const auto start = Clock::now();
        EXPECT_EQ(graph.run(), E_FAIL);
        EXPECT_LT(Clock::now() - start, 5s);
        bool explained = false;
        for (const auto& line : log.lines())
            explained |= line.find("Audio capture cannot start") != std::string::npos;
        EXPECT_TRUE(explained);
    }
    close(silent);
}

}  // namespace
}  // namespace platform
