#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/audio/fake/FakeAudioSystem.h"
#include "platform/core/fake/FakeLog.h"
#include "platform/media/FileSink.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/MediaErrors.h"
#include "platform/media/linux/AudioCaptureFilter.h"
#include "platform/media/linux/AudioFilters.h"
#include "platform/media/linux/JitterBuffer.h"
#include "platform/media/linux/SoundTimeline.h"

namespace platform {
namespace {

using namespace std::chrono_literals;

constexpr int kBlockFrames = 2205;  // one delivered sample: 50 ms of 44100 Hz stereo
constexpr const char* kMonitor = "speakers.monitor";

std::vector<std::int16_t> block(std::int16_t value, int frames = kBlockFrames) {
    return std::vector<std::int16_t>(static_cast<std::size_t>(frames) * 2, value);
}

bool eventually(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5s) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Keeps what arrives on its input "In".
class CollectingSink : public Filter {
public:
    CollectingSink() : Filter("{COLLECTING-SINK}") { addPin("In", PinDirection::Input); }
    HRESULT acceptType(Pin&, const MediaType& type) override {
        return type.major == MajorType::Audio ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    void receive(Pin&, const SamplePtr& sample) override {
        std::lock_guard lock(mutex_);
        samples_.push_back(sample);
    }
    void endOfStream(Pin&) override {
        std::lock_guard lock(mutex_);
        ++ends_;
    }
    std::vector<SamplePtr> samples() const {
        std::lock_guard lock(mutex_);
        return samples_;
    }
    int ends() const {
        std::lock_guard lock(mutex_);
        return ends_;
    }
    std::int64_t frames() const {
        std::int64_t n = 0;
        for (const auto& s : samples()) n += static_cast<std::int64_t>(s->data.size() / 4);
        return n;
    }
    bool waitFrames(std::int64_t n) const {
        return eventually([&] { return frames() >= n; });
    }
    // Whether every value of the last sample is `v`.
    bool lastSampleIs(std::int16_t v) const {
        const auto all = samples();
        if (all.empty()) return false;
        const auto* data = reinterpret_cast<const std::int16_t*>(all.back()->data.data());
        return std::all_of(data, data + all.back()->data.size() / 2, [v](std::int16_t x) { return x == v; });
    }
    // The values of the last sample, which must all be alike.
    std::int16_t lastValue() const {
        const auto all = samples();
        if (all.empty()) return INT16_MIN + 1;
        std::vector<std::int16_t> values(all.back()->data.size() / 2);
        std::memcpy(values.data(), all.back()->data.data(), all.back()->data.size());
        for (auto v : values)
            if (v != values.front()) ADD_FAILURE() << "mixed values in one sample: " << v << " and " << values.front();
        return values.front();
    }

private:
    mutable std::mutex mutex_;
    std::vector<SamplePtr> samples_;
    int ends_ = 0;
};

class AudioCaptureTest : public ::testing::Test {
protected:
    AudioCaptureTest() {
        audio.addSink({0, "speakers", "Speakers", "", {48000, 2, 32, true}});
        audio.addSource({0, "microphone", "Microphone",
                         {{"analog-input-mic", "Microphone"}, {"analog-input-linein", "Line In"}}, "analog-input-mic",
                         false, false, {44100, 1, 16, false}});
        audio.addSource({0, "usb_mic", "USB Headset Microphone", {}, "", false, false, {48000, 2, 16, false}});
        audio.setDefaultSink("speakers");
        audio.setDefaultSource("microphone");
        registerAudioFilters(registry, audio, log);
    }

    std::shared_ptr<AudioCaptureFilter> newCapture() {
        return std::dynamic_pointer_cast<AudioCaptureFilter>(registry.create(kAudioCaptureClassId));
    }

    // The audio capture filter, configured, into `sink`.
    std::shared_ptr<AudioCaptureFilter> build(FilterGraph& graph, const AudioCaptureSetup& setup,
                                              const std::shared_ptr<Filter>& sink) {
        auto capture = newCapture();
        EXPECT_EQ(capture->configure(setup), S_OK);
        EXPECT_EQ(graph.addFilter(capture, "VozEza5 Filter"), S_OK);
        EXPECT_EQ(graph.addFilter(sink, "Sink"), S_OK);
        EXPECT_EQ(graph.connectDirect(capture->findPin(PinDirection::Output, "Out"), sink->pins().front().get()), S_OK);
        return capture;
    }

    // A graph of the capture filter into a collecting sink, running.
    struct Recording {
        explicit Recording(const FilterRegistry& registry) : graph(registry) {}
        FilterGraph graph;
        std::shared_ptr<CollectingSink> sink = std::make_shared<CollectingSink>();
        std::shared_ptr<AudioCaptureFilter> capture;
    };
    std::unique_ptr<Recording> record(const AudioCaptureSetup& setup) {
        auto r = std::make_unique<Recording>(registry);
        r->capture = build(r->graph, setup, r->sink);
        EXPECT_EQ(r->graph.run(), S_OK);
        return r;
    }

    // Feeds blocks of constant values in step with the capture: the local
    // block first, so it is there when the remote block sets the pace.
    void feed(std::int16_t remote, std::int16_t local, int blocks, const std::string& localSource = "microphone") {
        for (int i = 0; i < blocks; ++i) {
            audio.feed(localSource, block(local));
            audio.feed(kMonitor, block(remote));
            ASSERT_TRUE(eventually([&] { return audio.pending(kMonitor) == 0 && audio.pending(localSource) == 0; }));
        }
    }

    static AudioCaptureSetup dual() {
        AudioCaptureSetup setup;
        setup.dualAudio = 1;
        return setup;
    }

    bool logged(const std::string& part) const {
        for (const auto& line : log.lines())
            if (line.find(part) != std::string::npos) return true;
        return false;
    }

    FakeAudioSystem audio;
    FakeLog log;
    FilterRegistry registry;
};

TEST_F(AudioCaptureTest, MixesBothSidesAndSaturatesInsteadOfWrapping) {
    struct Case {
        std::int16_t remote, local, mixed;
    };
    for (const Case c : {Case{10000, 3000, 13000}, Case{-20000, 5000, -15000}, Case{30000, 30000, 32767},
                         Case{-30000, -30000, -32768}, Case{32767, 1, 32767}}) {
        SCOPED_TRACE(std::to_string(c.remote) + " + " + std::to_string(c.local));
        auto r = record(dual());
        feed(c.remote, c.local, 5);
        ASSERT_TRUE(r->sink->waitFrames(5 * kBlockFrames));
        EXPECT_EQ(r->sink->lastValue(), c.mixed);
    }
}

TEST_F(AudioCaptureTest, ProcVolumeLowersOnlyTheRemoteSideAndMuteDropsTheLocalOneWhileRunning) {
    AudioCaptureSetup setup = dual();
    setup.procVolume = 0.5f;
    auto r = record(setup);
    auto& sink = r->sink;
    feed(10000, 3000, 4);
    ASSERT_TRUE(sink->waitFrames(4 * kBlockFrames));
    EXPECT_EQ(sink->lastValue(), 5000 + 3000);

    setup.mute = 1;
    ASSERT_EQ(r->capture->configure(setup), S_OK);
    feed(10000, 3000, 2);
    ASSERT_TRUE(sink->waitFrames(6 * kBlockFrames));
    EXPECT_EQ(sink->lastValue(), 5000);

    setup.mute = 0;
    setup.procVolume = 0;
    ASSERT_EQ(r->capture->configure(setup), S_OK);
    feed(10000, 3000, 2);
    ASSERT_TRUE(sink->waitFrames(8 * kBlockFrames));
    EXPECT_EQ(sink->lastValue(), 13000);
}

TEST_F(AudioCaptureTest, SmartMicrophoneActsOnTheRemoteSideOnlyWhileTheLocalSideSpeaks) {
    struct Case {
        int recOption;
        std::int16_t speaking;  // mix while the local side speaks at 3000
    };
    // 0 mutes and 1 halves the remote side; a never chosen option (-1)
    // behaves as the "lower" the dialog shows for it.
    for (const Case c : {Case{0, 3000}, Case{1, 5000 + 3000}, Case{2, 13000}, Case{-1, 5000 + 3000}}) {
        SCOPED_TRACE(c.recOption);
        AudioCaptureSetup setup = dual();
        setup.recOption = c.recOption;
        auto r = record(setup);
        auto& sink = r->sink;
        feed(10000, 100, 4);  // background noise is no speech
        ASSERT_TRUE(sink->waitFrames(4 * kBlockFrames));
        EXPECT_EQ(sink->lastValue(), 10100);
        feed(10000, 3000, 4);
        ASSERT_TRUE(sink->waitFrames(8 * kBlockFrames));
        EXPECT_EQ(sink->lastValue(), c.speaking);
    }
}

TEST_F(AudioCaptureTest, LoweringHoldsBrieflyAfterSpeechAndIgnoresAMutedMicrophone) {
    AudioCaptureSetup setup = dual();
    setup.recOption = 1;
    auto r = record(setup);
    auto& sink = r->sink;
    feed(10000, 3000, 5);
    feed(10000, 100, 3);  // a pause between words keeps the remote side low
    ASSERT_TRUE(sink->waitFrames(8 * kBlockFrames));
    EXPECT_EQ(sink->lastValue(), 5000 + 100);
    feed(10000, 100, 25);  // the hold (400 ms) is over
    ASSERT_TRUE(sink->waitFrames(33 * kBlockFrames));
    EXPECT_EQ(sink->lastValue(), 10100);

    setup.mute = 1;  // a muted microphone's speech is not recorded: no lowering
    r->capture->configure(setup);
    feed(10000, 3000, 5);
    ASSERT_TRUE(sink->waitFrames(38 * kBlockFrames));
    EXPECT_EQ(sink->lastValue(), 10000);
}

TEST_F(AudioCaptureTest, TimestampsCountSamplesAndContinueAcrossAPause) {
    auto r = record(AudioCaptureSetup{});
    auto& [graph, sink, capture] = *r;
    feed(1000, 0, 5);
    ASSERT_TRUE(sink->waitFrames(5 * kBlockFrames));

    ASSERT_EQ(graph.pause(), S_OK);
    feed(-777, 0, 5);  // recorded while paused: thrown away
    ASSERT_EQ(graph.run(), S_OK);
    feed(2000, 0, 5);
    ASSERT_TRUE(sink->waitFrames(10 * kBlockFrames));
    graph.stop();

    const auto samples = sink->samples();
    ASSERT_EQ(samples.size(), 10u);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        EXPECT_EQ(samples[i]->pts_100ns, static_cast<std::int64_t>(i) * 500000) << i;
        EXPECT_EQ(samples[i]->duration_100ns, 500000) << i;
        std::int16_t first;
        std::memcpy(&first, samples[i]->data.data(), sizeof first);
        EXPECT_EQ(first, i < 5 ? 1000 : 2000) << i;
    }
    EXPECT_EQ(sink->ends(), 1);
}

TEST_F(AudioCaptureTest, StoppingDeliversWhatIsHeldEndsOnceAndDoesNotCarryOver) {
    AudioCaptureSetup setup = dual();
    setup.secondSource = "USB Headset Microphone";
    setup.mute = 1;
    setup.recOption = 0;
    setup.procVolume = 0.25f;
    auto r = record(setup);
    auto& [graph, sink, capture] = *r;
    audio.feed(kMonitor, block(500, kBlockFrames + 300));
    ASSERT_TRUE(sink->waitFrames(kBlockFrames));

    setup.stopping = 1;
    capture->configure(setup);
    ASSERT_TRUE(eventually([&] { return sink->ends() == 1; }));
    EXPECT_EQ(sink->frames(), kBlockFrames + 300);
    EXPECT_EQ(sink->samples().back()->duration_100ns, 300 * 10'000'000LL / 44100);
    graph.stop();
    EXPECT_EQ(sink->ends(), 1);

    // The next recording's filter starts from these values, but not stopping.
    auto next = newCapture();
    EXPECT_EQ(next->setup().secondSource, "USB Headset Microphone");
    EXPECT_EQ(next->setup().mute, 1);
    EXPECT_EQ(next->setup().recOption, 0);
    EXPECT_EQ(next->setup().procVolume, 0.25f);
    EXPECT_EQ(next->setup().stopping, 0);
}

TEST_F(AudioCaptureTest, ChoosesTheLocalSourceByNameDescriptionOrPartElseTheDefault) {
    struct Case {
        std::string secondSource;
        int singleDevice;
        std::string recorded;
        bool remote;
    };
    for (const Case& c : {Case{"", 0, "microphone", true}, Case{"VozEza5", 0, "microphone", true},
                          Case{"usb_mic", 0, "usb_mic", true}, Case{"USB Headset Microphone", 0, "usb_mic", true},
                          Case{"USB Headset", 0, "usb_mic", true}, Case{"Gone Device", 0, "microphone", true},
                          Case{"", 1, "microphone", false}, Case{"USB Headset", 1, "usb_mic", false}}) {
        SCOPED_TRACE(c.secondSource + " single=" + std::to_string(c.singleDevice));
        AudioCaptureSetup setup = dual();
        setup.secondSource = c.secondSource;
        setup.singleDevice = c.singleDevice;
        auto r = record(setup);
        EXPECT_EQ(audio.openStreams(c.recorded), 1);
        EXPECT_EQ(audio.openStreams(kMonitor), c.remote ? 1 : 0);
        EXPECT_EQ(audio.openStreams(c.recorded == "usb_mic" ? "microphone" : "usb_mic"), 0);
    }
    EXPECT_TRUE(logged("no source \"Gone Device\""));
}

TEST_F(AudioCaptureTest, SingleDeviceRecordsTheLocalSideAloneAndPlainRecordingTheRemoteAlone) {
    {
        AudioCaptureSetup setup;
        setup.singleDevice = 1;
        auto r = record(setup);
        for (int i = 0; i < 3; ++i) audio.feed("microphone", block(1234));
        ASSERT_TRUE(r->sink->waitFrames(3 * kBlockFrames));
        EXPECT_EQ(r->sink->lastValue(), 1234);
    }
    auto r = record(AudioCaptureSetup{});
    EXPECT_EQ(audio.openStreams(kMonitor), 1);
    EXPECT_EQ(audio.openStreams("microphone"), 0);
}

TEST_F(AudioCaptureTest, WithoutASoundServerStartingFailsAndTheCategoryHasOnlyTheFilter) {
    audio.setAvailable(false);
    FilterGraph graph(registry);
    auto sink = std::make_shared<CollectingSink>();
    build(graph, dual(), sink);
    EXPECT_EQ(graph.run(), E_FAIL);
    EXPECT_EQ(graph.state(), FilterState::Stopped);
    EXPECT_TRUE(logged("Audio capture cannot start: cannot connect to the sound server: Connection refused"));

    const auto entries = registry.entries(kAudioCaptureCategory);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].friendlyName, "VozEza5");
}

TEST_F(AudioCaptureTest, LostDevicesAndAServerThatGoesAwayBecomeSilenceUntilTheyAreBack) {
    auto r = record(dual());
    auto& sink = r->sink;
    feed(10000, 3000, 4);
    audio.breakStreams("microphone");
    feed(10000, 3000, 3);
    ASSERT_TRUE(sink->waitFrames(7 * kBlockFrames));
    EXPECT_EQ(sink->lastValue(), 10000);
    EXPECT_TRUE(logged("goes on without the local side"));

    // The server goes away: the speakers' stream breaks, and opening it
    // again fails until the server is back. The recording goes on in silence.
    audio.setAvailable(false);
    audio.breakStreams(kMonitor);
    ASSERT_TRUE(eventually([&] { return logged("goes on with silence"); }));
    const std::int64_t before = sink->frames();
    ASSERT_TRUE(sink->waitFrames(before + 4 * kBlockFrames));
    EXPECT_EQ(sink->lastValue(), 0);
    audio.setAvailable(true);
    ASSERT_TRUE(eventually([&] { return audio.openStreams(kMonitor) == 1 && audio.openStreams("microphone") == 1; }));
    // Said just after the stream opens, on the capture thread.
    EXPECT_TRUE(eventually([&] { return logged("records \"speakers.monitor\" again"); }));
    EXPECT_TRUE(eventually([&] { return logged("records \"microphone\" again"); }));
    ASSERT_TRUE(eventually([&] {
        audio.feed("microphone", block(3000), std::chrono::steady_clock::now());
        audio.feed(kMonitor, block(10000), std::chrono::steady_clock::now());
        std::this_thread::sleep_for(20ms);
        return sink->lastSampleIs(13000);
    }));
    EXPECT_EQ(sink->ends(), 0);

    // Stamps stay continuous throughout.
    const auto samples = sink->samples();
    for (std::size_t i = 1; i < samples.size(); ++i)
        ASSERT_EQ(samples[i]->pts_100ns, samples[i - 1]->pts_100ns + samples[i - 1]->duration_100ns) << i;
}

// Where the sound of value `v` starts, in frames from the start.
std::int64_t firstFrameOf(const std::vector<SamplePtr>& samples, std::int16_t v) {
    std::int64_t frame = 0;
    for (const auto& s : samples) {
        const auto* data = reinterpret_cast<const std::int16_t*>(s->data.data());
        for (std::size_t i = 0; i < s->data.size() / 4; ++i, ++frame)
            if (data[i * 2] == v) return frame;
    }
    return -1;
}

TEST_F(AudioCaptureTest, SoundIsPlacedByItsCaptureTimeAcrossStallsAndOverlaps) {
    auto r = record(AudioCaptureSetup{});
    auto& sink = r->sink;
    using Clock = std::chrono::steady_clock;
    auto feedAt = [&](std::int16_t value, int frames, Clock::time_point at) {
        audio.feed(kMonitor, block(value, frames), at);
        ASSERT_TRUE(eventually([&] { return audio.pending(kMonitor) == 0; }));
    };
    // Sound arrives after it was recorded, never before.
    const auto t0 = Clock::now();
    feedAt(100, 4 * kBlockFrames, t0);
    // A little late: counted on, no gap.
    std::this_thread::sleep_until(t0 + 205ms);
    feedAt(200, kBlockFrames, t0 + 205ms);
    // Overlapping what is placed by more than that: dropped.
    feedAt(300, kBlockFrames, t0 + 50ms);
    // After a stall of the source (nothing delivered for 700 ms) the sound
    // comes back where it was recorded, after silence.
    std::this_thread::sleep_until(t0 + 950ms);
    feedAt(400, kBlockFrames, t0 + 900ms);
    ASSERT_TRUE(eventually([&] { return firstFrameOf(sink->samples(), 400) >= 0; }));

    const auto samples = sink->samples();
    const std::int64_t start = firstFrameOf(samples, 100);
    ASSERT_GE(start, 0);
    EXPECT_EQ(firstFrameOf(samples, 200) - start, 4 * kBlockFrames);
    EXPECT_EQ(firstFrameOf(samples, 300), -1);
    EXPECT_NEAR(static_cast<double>(firstFrameOf(samples, 400) - start), 0.9 * 44100, 2);
    for (std::size_t i = 1; i < samples.size(); ++i)
        ASSERT_EQ(samples[i]->pts_100ns, samples[i - 1]->pts_100ns + samples[i - 1]->duration_100ns) << i;
}

TEST(SoundTimelineTest, CountsOnSmoothlyAndPlacesAnewOnlyBeyondTheTolerance) {
    struct Step {
        std::int64_t end;
        std::optional<std::int64_t> due;
        std::int64_t frames;
        std::int64_t silence, drop;
    };
    SoundTimeline timeline(100);
    const Step steps[] = {
        {0, std::nullopt, 50, 0, 0},  // no capture time: counted
        {50, 80, 50, 30, 0},          // the first placed: exactly
        {130, 200, 50, 0, 0},         // within the tolerance: counted on
        {180, 281, 50, 101, 0},       // a gap beyond it: silence
        {331, 200, 50, 0, 50},        // an overlap beyond it: dropped, at most the chunk
        {331, 300, 50, 0, 0},
    };
    for (const Step& s : steps) {
        const SoundTimeline::Placement p = timeline.place(s.end, s.due, s.frames);
        EXPECT_EQ(p.silence, s.silence) << s.end;
        EXPECT_EQ(p.drop, s.drop) << s.end;
    }
    timeline.reset();
    EXPECT_EQ(timeline.place(400, 390, 50).drop, 10);  // exactly again

    // Right after an exact placement the server's reports settle: the sound
    // follows the median of the chunks since its last move, not one outlier.
    SoundTimeline settling(4096);
    EXPECT_EQ(settling.place(0, 0, 100).silence, 0);
    std::int64_t end = 100;
    const std::int64_t reported[SoundTimeline::kSettlingChunks] = {2000, 2000, 2000, 0, 600, 0, -600, 0, 0, 0};
    for (int i = 0; i < SoundTimeline::kSettlingChunks; ++i) {
        const auto p = settling.place(end, end + reported[i], 100);
        EXPECT_EQ(p.silence, i == 2 ? 2000 : 0) << i;
        EXPECT_EQ(p.drop, 0) << i;
        end += p.silence + 100;
    }

    // A guess places the first chunk; the first capture time places anew.
    SoundTimeline guessed(100);
    EXPECT_EQ(guessed.place(0, 20, 50, true).silence, 20);
    EXPECT_EQ(guessed.place(70, 100, 50, true).silence, 0);
    EXPECT_EQ(guessed.place(120, 130, 50).silence, 10);
    EXPECT_EQ(guessed.place(180, 190, 50).silence, 0);
}

TEST(SoundTimelineTest, ASteadyDistanceIsMovedOutOnceWhileSettlingAndInSmallStepsAfter) {
    // The first capture time came late: every later one says the sound lies
    // 60 ms early, well inside the tolerance.
    constexpr std::int64_t kEarly = 2646;
    SoundTimeline timeline(4096);
    std::int64_t end = 0;
    std::int64_t moved = 0;
    int chunks = 0;
    for (; chunks < 3 * SoundTimeline::kWindowChunks; ++chunks) {
        const std::int64_t due = chunks == 0 ? 0 : chunks * 512 + kEarly;
        const auto p = timeline.place(end, due, 512);
        if (chunks > 0 && p.silence > 0) moved += p.silence;
        end += p.silence + 512;
    }
    EXPECT_EQ(moved, kEarly);
    EXPECT_EQ(timeline.lastWindowMean(), 0);

    // Jitter around the right place moves nothing.
    SoundTimeline jittery(4096);
    end = 0;
    for (int i = 0; i < 3 * SoundTimeline::kWindowChunks; ++i) {
        const std::int64_t jitter = (i % 7 - 3) * 150;  // up to 10 ms either way
        const auto p = jittery.place(end, i == 0 ? 0 : i * 512 + jitter, 512);
        if (i > SoundTimeline::kSettlingChunks) {
            EXPECT_EQ(p.silence + p.drop, 0) << i;
        }
        end += p.silence - p.drop + 512;
    }

    // A distance that turns up after settling (capture times that wander,
    // clocks that run apart) is taken out in small steps, one per window.
    constexpr std::int64_t kApart = 1000;
    SoundTimeline apart(4096);
    end = 0;
    std::vector<std::int64_t> steps;
    for (int i = 0; i < 12 * SoundTimeline::kWindowChunks; ++i) {
        const auto p = apart.place(end, i * 512 + (i > SoundTimeline::kSettlingChunks ? kApart : 0), 512);
        if (p.silence + p.drop > 0) steps.push_back(p.silence - p.drop);
        end += p.silence - p.drop + 512;
    }
    EXPECT_EQ(steps, std::vector<std::int64_t>(8, SoundTimeline::kSlewFrames));
    EXPECT_LE(apart.lastWindowMean(), SoundTimeline::kDriftFrames);
}

TEST_F(AudioCaptureTest, DeviceCategoryListsTheFilterThenRealSourcesEachRecordedAlone) {
    const auto entries = registry.entries(kAudioCaptureCategory);
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(e.friendlyName);
    EXPECT_EQ(names, (std::vector<std::string>{"VozEza5", "Microphone", "USB Headset Microphone"}));
    EXPECT_EQ(entries[0].create()->classId(), kAudioCaptureClassId);

    // As the audio source test does: the device's first output pin to "WAV Dest".
    FilterGraph graph(registry);
    auto device = entries[1].create();
    ASSERT_TRUE(device);
    EXPECT_NE(device->findPin(PinDirection::Input, "Line In"), nullptr);
    Pin* firstOutput = nullptr;
    for (const auto& pin : device->pins())
        if (firstOutput == nullptr && pin->direction() == PinDirection::Output) firstOutput = pin.get();
    ASSERT_NE(firstOutput, nullptr);
    EXPECT_EQ(firstOutput->name(), "Capture");
    std::shared_ptr<Filter> wavDest;
    for (const auto& e : registry.entries(kLegacyFilterCategory))
        if (e.friendlyName == "WAV Dest") wavDest = e.create();
    ASSERT_TRUE(wavDest);
    graph.addFilter(device, "Microphone");
    graph.addFilter(wavDest, "WAV Dest");
    EXPECT_EQ(graph.connectDirect(firstOutput, wavDest->findPin(PinDirection::Input, "In")), S_OK);
    graph.removeFilter(wavDest.get());

    auto sink = std::make_shared<CollectingSink>();
    graph.addFilter(sink, "Sink");
    ASSERT_EQ(graph.connectDirect(firstOutput, sink->findPin(PinDirection::Input, "In")), S_OK);
    ASSERT_EQ(graph.run(), S_OK);
    EXPECT_EQ(audio.openStreams(kMonitor), 0);
    audio.feed("microphone", block(-4321));
    audio.feed("usb_mic", block(999));
    ASSERT_TRUE(sink->waitFrames(kBlockFrames));
    EXPECT_EQ(sink->lastValue(), -4321);
}

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

TEST_F(AudioCaptureTest, WavDestWritesAWaveFileWithItsRealSizes) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("talvora-wav-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                       std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ".wav");
    {
        FilterGraph graph(registry);
        auto wavDest = registry.create("{3C78B8E2-6C4D-11D1-ADE2-0000F8754B99}");
        ASSERT_TRUE(wavDest);
        EXPECT_EQ(graph.addFilter(wavDest, "WAV Dest"), S_OK);  // no file name, never connected: runs, writes nothing
        EXPECT_EQ(graph.run(), S_OK);
        graph.stop();
        graph.removeFilter(wavDest.get());

        auto capture = build(graph, AudioCaptureSetup{}, wavDest);
        EXPECT_EQ(graph.run(), E_FAIL);  // connected but nowhere to write
        ASSERT_EQ(query<FileSink>(wavDest)->setFileName(path.string()), S_OK);
        ASSERT_EQ(graph.run(), S_OK);
        EXPECT_EQ(query<FileSink>(wavDest)->setFileName("other.wav"), VFW_E_NOT_STOPPED);
        for (int i = 0; i < 7; ++i) audio.feed(kMonitor, block(static_cast<std::int16_t>(i * 100)));
        audio.feed(kMonitor, block(-1, 100));
        ASSERT_TRUE(eventually([&] { return audio.pending(kMonitor) == 0; }));

        // At the end of the stream the file is whole, before the graph stops.
        AudioCaptureSetup stopping;
        stopping.stopping = 1;
        capture->configure(stopping);
        const std::uint32_t data = (7 * kBlockFrames + 100) * 4;
        ASSERT_TRUE(eventually([&] {
            const auto bytes = readFile(path);
            return bytes.size() == 44 + data && le32(bytes, 40) == data;
        }));
    }
    const auto bytes = readFile(path);
    std::filesystem::remove(path);
    const std::uint32_t data = (7 * kBlockFrames + 100) * 4;
    ASSERT_EQ(bytes.size(), 44 + data);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(le32(bytes, 4), 36 + data);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(le32(bytes, 16), 16u);
    EXPECT_EQ(le16(bytes, 20), 1);      // PCM
    EXPECT_EQ(le16(bytes, 22), 2);      // channels
    EXPECT_EQ(le32(bytes, 24), 44100u);
    EXPECT_EQ(le32(bytes, 28), 176400u);
    EXPECT_EQ(le16(bytes, 32), 4);      // block align
    EXPECT_EQ(le16(bytes, 34), 16);     // bits
    EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
    EXPECT_EQ(le32(bytes, 40), data);
    EXPECT_EQ(static_cast<std::int16_t>(le16(bytes, 44 + kBlockFrames * 4)), 100);  // second block
    EXPECT_EQ(static_cast<std::int16_t>(le16(bytes, bytes.size() - 2)), -1);
}

TEST(JitterBufferTest, KeepsAReserveRefillsAfterRunningDryAndDropsWhatLagsTooFar) {
    JitterBuffer buffer(8, 20, 2);
    std::vector<std::int16_t> out;
    buffer.push(std::vector<std::int16_t>(4, 1));
    buffer.take(4, out);
    EXPECT_EQ(out, std::vector<std::int16_t>(4, 0));  // still filling its reserve
    buffer.push(std::vector<std::int16_t>(4, 2));
    buffer.take(4, out);
    EXPECT_EQ(out, (std::vector<std::int16_t>{1, 1, 1, 1}));
    buffer.take(6, out);
    EXPECT_EQ(out, (std::vector<std::int16_t>{2, 2, 2, 2, 0, 0}));  // ran dry: the rest is silence
    buffer.push(std::vector<std::int16_t>(6, 3));
    buffer.take(2, out);
    EXPECT_EQ(out, (std::vector<std::int16_t>{0, 0}));  // refilling again

    buffer.clear();
    for (std::int16_t v = 0; v < 11; ++v) buffer.push(std::vector<std::int16_t>{v, v});
    EXPECT_EQ(buffer.size(), 8u);  // over the limit: back to the reserve, newest kept
    buffer.take(2, out);
    EXPECT_EQ(out, (std::vector<std::int16_t>{7, 7}));
}

}  // namespace
}  // namespace platform
