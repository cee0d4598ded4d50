#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "SyntheticMedia.h"
#include "platform/core/fake/FakeLog.h"
#include "platform/media/FileSink.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/MediaErrors.h"
#include "platform/media/ModuleConfig.h"
#include "platform/media/Mpeg2Parameters.h"
#include "platform/media/linux/Mpeg2Filters.h"
#include "platform/media/linux/RecordingRepair.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using P = Mpeg2Parameter;
using test::kChunkFrames;
using test::SyntheticSource;

// What one recording is made of: the sources' formats, whether the picture
// is hard to compress, how long it lasts, and parameters set before the run.
struct Input {
    std::optional<VideoFormat> video;
    std::optional<AudioFormat> audio;
    int seconds = 3;
    bool noise = false;
    std::vector<std::pair<P, std::int64_t>> parameters;
    bool flash = false;  // a flash and a beep at the same moment instead of the pattern and the tone
    bool still = false;  // the same picture throughout
};

class Mpeg2FiltersTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("talvora-mpeg2-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        registerMpeg2Filters(registry_, log_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string path(const std::string& file) const { return (folder_ / file).string(); }

    std::shared_ptr<Filter> add(FilterGraph& graph, const char* classId, const char* name) {
        auto filter = registry_.create(classId);
        EXPECT_EQ(graph.addFilter(filter, name), S_OK) << name;
        return filter;
    }

    // Sets a parameter as the recorder does: read, put the value in, write back.
    static HRESULT set(const std::shared_ptr<Filter>& filter, P parameter, std::int64_t value) {
        auto* config = query<ModuleConfig>(filter);
        if (config == nullptr) return E_NOINTERFACE;
        ModuleValue v;
        if (const HRESULT hr = config->getValue(mpeg2Parameter(parameter).id, &v); failed(hr)) return hr;
        v.value = value;
        if (const HRESULT hr = config->setValue(mpeg2Parameter(parameter).id, v); failed(hr)) return hr;
        return config->commitChanges();
    }

    // Sources -> encoders -> multiplexer -> sink, run until the sources are
    // done. The encoders are configured after they are connected.
    void record(const Input& in, const std::string& file) {
        FilterGraph graph(registry_);
        auto mux = add(graph, kMpegMultiplexerClassId, "Mux");
        auto sink = add(graph, kMpegSinkClassId, "Sink");
        ASSERT_EQ(query<FileSink>(sink)->setFileName(path(file)), S_OK);
        ASSERT_EQ(set(sink, P::SinkReplaceFile, 1), S_OK);
        ASSERT_EQ(graph.connectDirect(mux->findPin(PinDirection::Output, "Out"), sink->findPin(PinDirection::Input, "Input")),
                  S_OK);
        std::vector<std::shared_ptr<SyntheticSource>> sources;
        std::vector<std::shared_ptr<Filter>> encoders;
        // One source through its encoder into the multiplexer's pin.
        auto chain = [&](MediaType type, int count, std::function<SamplePtr(int)> make, const char* encoderClassId,
                         const char* encoderIn, const char* encoderOut, const char* muxIn) {
            sources.push_back(std::make_shared<SyntheticSource>(type, count, std::move(make)));
            graph.addFilter(sources.back(), encoderIn);
            encoders.push_back(add(graph, encoderClassId, encoderOut));
            EXPECT_EQ(graph.connectDirect(sources.back()->pins()[0].get(),
                                          encoders.back()->findPin(PinDirection::Input, encoderIn)),
                      S_OK);
            EXPECT_EQ(graph.connectDirect(encoders.back()->findPin(PinDirection::Output, encoderOut),
                                          mux->findPin(PinDirection::Input, muxIn)),
                      S_OK);
        };
        if (const std::optional<VideoFormat> v = in.video)
            chain(MediaType::ofVideo(*v), in.seconds * v->framesPerSecond,
                  [v, noise = in.noise, flash = in.flash, still = in.still](int i) {
                      return flash ? test::flashFrame(*v, i)
                             : still ? test::stillFrame(*v, i)
                                     : test::patternFrame(*v, i, noise);
                  },
                  kMpeg2VideoEncoderClassId,
                  "Input", "Output", "Input0");
        if (const std::optional<AudioFormat> a = in.audio)
            chain(MediaType::ofAudio(*a), in.seconds * a->sampleRate / kChunkFrames,
                  [a, flash = in.flash](int i) { return flash ? test::beepChunk(*a, i) : test::toneChunk(*a, i); },
                  kLayer2AudioEncoderClassId, "XForm In", "XForm Out",
                  "Input1");
        for (const auto& [parameter, value] : in.parameters) {
            const Mpeg2Module module = mpeg2Parameter(parameter).module;
            const std::shared_ptr<Filter>& target = module == Mpeg2Module::Multiplexer ? mux
                                                    : module == Mpeg2Module::Sink     ? sink
                                                    : module == Mpeg2Module::AudioEncoder ? encoders.back()
                                                                                          : encoders.front();
            ASSERT_EQ(set(target, parameter, value), S_OK) << mpeg2Parameter(parameter).meaning;
        }
        ASSERT_EQ(graph.run(), S_OK) << (log_.lines().empty() ? "" : log_.lines().back());
        for (auto& source : sources) source->join();
        ASSERT_EQ(graph.stop(), S_OK);
        for (const auto& encoder : encoders)
            EXPECT_EQ(std::stoll(encoder->properties().back().second), 0) << "dropped samples";
    }

    // The first pack header tells an MPEG-2 program stream ('01' after the
    // start code) from an MPEG-1 system stream ('0010').
    std::string packKind(const std::string& file) const {
        std::ifstream in(path(file), std::ios::binary);
        unsigned char head[5] = {};
        in.read(reinterpret_cast<char*>(head), 5);
        if (head[0] != 0 || head[1] != 0 || head[2] != 1 || head[3] != 0xBA) return "no pack";
        if ((head[4] & 0xC0) == 0x40) return "MPEG-2";
        return (head[4] & 0xF0) == 0x20 ? "MPEG-1" : "unknown";
    }

    fs::path folder_;
    FakeLog log_;
    FilterRegistry registry_;
};

TEST_F(Mpeg2FiltersTest, RecordsProgramStreamsThatPlayBack) {
    struct Case {
        const char* file;
        Input in;
        const char* pack;
        int sampleRate;  // of the file
    };
    const Case cases[] = {
        {"both.mpg", {VideoFormat{640, 480, 32, 15}, AudioFormat{44100, 2, 16}}, "MPEG-2", 44100},
        // Other sizes, depths, rates and channel counts; 22.05 kHz is no
        // Layer II rate and becomes 48 kHz.
        {"odd.mpg", {VideoFormat{802, 600, 24, 25}, AudioFormat{22050, 1, 16}}, "MPEG-2", 48000},
        {"video.mpg", {VideoFormat{640, 480, 32, 15}, std::nullopt}, "MPEG-2", 0},
        {"audio.mpg", {std::nullopt, AudioFormat{48000, 6, 16}}, "MPEG-2", 48000},
        {"system.mpg",
         {VideoFormat{320, 240, 32, 15}, AudioFormat{44100, 2, 16}, 3, false, {{P::MuxProgramStream, 0}}},
         "MPEG-1",
         44100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        record(c.in, c.file);
        EXPECT_EQ(packKind(c.file), c.pack);
        const test::Recording r = test::readBack(path(c.file));
        EXPECT_EQ(r.formatName, "mpeg");
        std::vector<AVCodecID> expected;
        if (c.in.video) expected.push_back(AV_CODEC_ID_MPEG2VIDEO);
        if (c.in.audio) expected.push_back(AV_CODEC_ID_MP2);
        EXPECT_EQ(r.codecs, expected);
        EXPECT_NEAR(r.duration_s, 3.0, 0.3);
        if (c.in.video) {
            EXPECT_EQ(r.width, c.in.video->width & ~1);
            EXPECT_EQ(r.height, c.in.video->height);
            EXPECT_EQ(r.videoPackets, 3 * c.in.video->framesPerSecond);
            EXPECT_EQ(static_cast<int>(r.pictureTypes.size()), r.videoPackets);
            EXPECT_TRUE(r.videoDtsRise);
        }
        if (c.in.audio) {
            EXPECT_EQ(r.sampleRate, c.sampleRate);
            EXPECT_NEAR(static_cast<double>(r.sound.size()) / r.sampleRate, 3.0, 0.2);
            EXPECT_NEAR(test::loudestFrequency(r.sound, r.sampleRate), 440, 5);
        }
    }
}

TEST_F(Mpeg2FiltersTest, EveryCaptureRateRecordsWithItsFramesOnTheirTimes) {
    // MPEG-2 codes none of these rates but 30 as they are (and 1 and 2 not at
    // the default bit rate): the encoder takes the next it can code, and the
    // frames keep their capture times.
    for (const int fps : {1, 2, 7, 11, 13, 14, 29, 30, 59}) {
        SCOPED_TRACE(fps);
        const std::string file = "rate" + std::to_string(fps) + ".mpg";
        record({VideoFormat{160, 120, 32, fps}, std::nullopt, 4}, file);
        const test::Recording r = test::readBack(path(file));
        // Frames the capture left out of the coded rate show the one before
        // again: the picture plays as long as it was captured, give or take
        // the last frame.
        EXPECT_GE(r.videoPackets, 4 * fps);
        EXPECT_NEAR(r.videoSeconds, 4.0, 1.0 / fps + 0.01);
    }
}

TEST_F(Mpeg2FiltersTest, SoundAndPictureOfOneMomentArePresentedTogether) {
    Input in{VideoFormat{320, 240, 32, 15}, AudioFormat{44100, 2, 16}, 2};
    in.flash = true;
    record(in, "flash.mpg");
    const test::Recording r = test::readBack(path("flash.mpg"));
    ASSERT_GE(r.firstBright_s, 0);
    ASSERT_GE(r.soundOnset_s, 0);
    EXPECT_NEAR(r.soundOnset_s, r.firstBright_s, 0.005);
}

TEST_F(Mpeg2FiltersTest, EveryPictureOfAStillScreenShowsAtItsCaptureTime) {
    // A still screen codes to pictures of a few hundred bytes, many of which
    // would share a packet; each must carry its own time, else a player
    // guesses it and shows some pictures late and others twice.
    for (const bool mpeg2 : {true, false}) {
        SCOPED_TRACE(mpeg2 ? "MPEG-2" : "MPEG-1");
        const int fps = 15;
        Input in{VideoFormat{320, 240, 32, fps}, AudioFormat{44100, 2, 16}, 8};
        in.still = true;
        in.parameters = {{P::VideoRateMode, 0}, {P::MuxProgramStream, mpeg2 ? 1 : 0}};
        const std::string file = mpeg2 ? "still2.mpg" : "still1.mpg";
        record(in, file);
        const test::Recording r = test::readBack(path(file));
        EXPECT_EQ(r.unstampedPictures, 0);
        ASSERT_EQ(static_cast<int>(r.pictureTimes_s.size()), in.seconds * fps);
        int misplaced = 0;
        for (std::size_t i = 0; i < r.pictureTimes_s.size(); ++i)
            if (std::abs(r.pictureTimes_s[i] - r.pictureTimes_s[0] - static_cast<double>(i) / fps) > 0.002) ++misplaced;
        EXPECT_EQ(misplaced, 0);
        // Packets of their own cost a few dozen bytes a picture, not a pack.
        const double bitsPerSecond = static_cast<double>(fs::file_size(path(file))) * 8 / in.seconds;
        RecordProperty(mpeg2 ? "still_mpeg2_bits_per_second" : "still_mpeg1_bits_per_second",
                       std::to_string(static_cast<long long>(bitsPerSecond)));
    }
}

TEST_F(Mpeg2FiltersTest, ACutShortProgramStreamIsRepairedWithEveryPictureOnItsTime) {
    Input in{VideoFormat{320, 240, 32, 15}, AudioFormat{44100, 2, 16}, 6};
    in.still = true;
    record(in, "cut.mpg");
    // A killed recorder leaves the stream torn somewhere in a pack.
    fs::resize_file(path("cut.mpg"), fs::file_size(path("cut.mpg")) - 3001);
    ASSERT_EQ(repairRecording(path("cut.mpg"), log_), RepairOutcome::Repaired) << log_.lines().back();
    EXPECT_EQ(packKind("cut.mpg"), "MPEG-2");
    const test::Recording r = test::readBack(path("cut.mpg"));
    EXPECT_EQ(r.codecs, (std::vector<AVCodecID>{AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_MP2}));
    EXPECT_NEAR(r.duration_s, 6.0, 0.5);
    EXPECT_EQ(r.unstampedPictures, 0);
    ASSERT_GT(r.pictureTimes_s.size(), 60u);
    // The repair leaves out the last packet in decode order, which may be a
    // picture shown before the last anchor.
    for (std::size_t i = 1; i + 2 < r.pictureTimes_s.size(); ++i)
        ASSERT_NEAR(r.pictureTimes_s[i] - r.pictureTimes_s[i - 1], 1.0 / 15, 0.002) << i << " of " << r.pictureTimes_s.size();
}

TEST_F(Mpeg2FiltersTest, BitRatesAndGopsFollowTheSettings) {
    struct Case {
        const char* file;
        std::int64_t bitRate;
        std::int64_t anchors;
        std::int64_t distance;
    };
    const Case cases[] = {
        {"two.mpg", 2'000'000, 4, 4},
        {"three.mpg", 3'000'000, 2, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Input in{VideoFormat{640, 480, 32, 15}, std::nullopt, 5, true,
                 {{P::VideoBitRate, c.bitRate},
                  {P::VideoMaxBitRate, c.bitRate + 1'000'000},
                  {P::VideoBufferBits, 1'000'000},
                  {P::VideoGopAnchors, c.anchors},
                  {P::VideoAnchorDistance, c.distance},
                  {P::VideoClosedGop, 1}}};
        record(in, c.file);
        const test::Recording r = test::readBack(path(c.file));
        ASSERT_EQ(r.videoPackets, 75);
        const double bitsPerSecond = static_cast<double>(r.videoBytes) * 8 / 5.0;
        EXPECT_NEAR(bitsPerSecond, static_cast<double>(c.bitRate), 0.2 * static_cast<double>(c.bitRate));
        // Each whole GOP has its anchors (I or P), B pictures between them.
        std::vector<std::string> gops;
        for (char type : r.pictureTypes) {
            if (type == 'I') gops.emplace_back();
            if (!gops.empty()) gops.back() += type;
        }
        ASSERT_GE(gops.size(), 3u) << r.pictureTypes;
        const std::string run(c.distance - 1, 'B');
        for (std::size_t i = 0; i + 1 < gops.size(); ++i) {
            EXPECT_EQ(std::count_if(gops[i].begin(), gops[i].end(), [](char t) { return t != 'B'; }), c.anchors)
                << gops[i];
            EXPECT_NE(gops[i].find("I" + run + "P"), std::string::npos) << gops[i];
            EXPECT_EQ(gops[i].find(run + "B"), std::string::npos) << gops[i];
        }
    }
}

TEST_F(Mpeg2FiltersTest, ModuleSettingsTakeOnlyWhatTheyCanHold) {
    auto encoder = registry_.create(kMpeg2VideoEncoderClassId);
    auto* config = query<ModuleConfig>(encoder);
    ASSERT_NE(config, nullptr);
    const std::string bitRate = mpeg2Parameter(P::VideoBitRate).id;
    struct Case {
        std::string id;
        ModuleValue value;
        HRESULT expected;
    };
    const Case cases[] = {
        {bitRate, {ValueType::Int, 3'000'000}, S_OK},
        {bitRate, {ValueType::UInt, 3'000'000}, DISP_E_TYPEMISMATCH},
        {bitRate, {ValueType::Int, 1'000}, E_INVALIDARG},
        {bitRate, {ValueType::Int, 200'000'000}, E_INVALIDARG},
        {mpeg2Parameter(P::VideoAnchorDistance).id, {ValueType::Int, 9}, E_INVALIDARG},
        // Another filter's parameter, and none at all.
        {mpeg2Parameter(P::AudioBitRateIndex).id, {ValueType::Int, 4}, E_NOTIMPL},
        {"{00000000-0000-0000-0000-000000000000}", {ValueType::Int, 1}, E_NOTIMPL},
    };
    for (const Case& c : cases) EXPECT_EQ(config->setValue(c.id, c.value), c.expected) << c.id << " " << c.value.value;

    ModuleValue value;
    EXPECT_EQ(config->getValue(bitRate, nullptr), E_POINTER);
    ASSERT_EQ(config->getValue(bitRate, &value), S_OK);
    EXPECT_EQ(value, (ModuleValue{ValueType::Int, 3'000'000}));
    // Set values wait for the commit.
    auto rateOf = [&] {
        FilterGraph graph(registry_);
        auto source = std::make_shared<SyntheticSource>(MediaType::ofVideo({64, 48, 32, 15}), 0, nullptr);
        graph.addFilter(source, "video");
        graph.addFilter(encoder, "encoder");
        graph.connectDirect(source->pins()[0].get(), encoder->findPin(PinDirection::Input, "Input"));
        const int rate = encoder->offeredType(*encoder->findPin(PinDirection::Output, "Output")).encoded.bitRate;
        graph.removeFilter(encoder.get());
        return rate;
    };
    EXPECT_EQ(rateOf(), mpeg2Parameter(P::VideoBitRate).defaultValue);
    ASSERT_EQ(config->commitChanges(), S_OK);
    EXPECT_EQ(rateOf(), 3'000'000);
}

TEST_F(Mpeg2FiltersTest, ConnectionsTakeOnlyWhatFits) {
    FilterGraph graph(registry_);
    auto video = add(graph, kMpeg2VideoEncoderClassId, "video");
    auto audio = add(graph, kLayer2AudioEncoderClassId, "audio");
    auto mux = add(graph, kMpegMultiplexerClassId, "mux");
    auto sink = add(graph, kMpegSinkClassId, "sink");
    auto converter = add(graph, kColorSpaceConverterClassId, "converter");
    auto tee = add(graph, kMpegTeeClassId, "tee");
    Pin* videoOut = video->findPin(PinDirection::Output, "Output");
    // Encoders say nothing until their input says what comes.
    EXPECT_EQ(graph.connectDirect(videoOut, mux->findPin(PinDirection::Input, "Input0")), VFW_E_CANNOT_CONNECT);
    struct Case {
        const char* what;
        Pin* input;
        MediaType type;
        HRESULT expected;
    };
    const Case cases[] = {
        {"BGRX video", video->findPin(PinDirection::Input, "Input"), MediaType::ofVideo({640, 480, 32, 15}), S_OK},
        {"16-bit video", video->findPin(PinDirection::Input, "Input"), MediaType::ofVideo({640, 480, 16, 15}),
         VFW_E_TYPE_NOT_ACCEPTED},
        {"no frame rate", video->findPin(PinDirection::Input, "Input"), MediaType::ofVideo({640, 480, 32, 0}),
         VFW_E_TYPE_NOT_ACCEPTED},
        {"sound to video", video->findPin(PinDirection::Input, "Input"), MediaType::ofAudio({}), VFW_E_TYPE_NOT_ACCEPTED},
        {"PCM", audio->findPin(PinDirection::Input, "XForm In"), MediaType::ofAudio({48000, 2, 16}), S_OK},
        {"8-bit PCM", audio->findPin(PinDirection::Input, "XForm In"), MediaType::ofAudio({48000, 2, 8}),
         VFW_E_TYPE_NOT_ACCEPTED},
        {"raw video to mux", mux->findPin(PinDirection::Input, "Input0"), MediaType::ofVideo({640, 480, 32, 15}),
         VFW_E_TYPE_NOT_ACCEPTED},
        {"Layer II as video", mux->findPin(PinDirection::Input, "Input0"),
         MediaType::ofEncodedAudio({Codec::MpegAudioLayer2, 192000, 192000, 0}, {}), VFW_E_TYPE_NOT_ACCEPTED},
        {"Layer II as audio", mux->findPin(PinDirection::Input, "Input1"),
         MediaType::ofEncodedAudio({Codec::MpegAudioLayer2, 192000, 192000, 0}, {}), S_OK},
        {"video to sink", sink->findPin(PinDirection::Input, "Input"), MediaType::ofVideo({640, 480, 32, 15}),
         VFW_E_TYPE_NOT_ACCEPTED},
        {"stream to sink", sink->findPin(PinDirection::Input, "Input"), MediaType::ofStream(), S_OK},
        {"BGR to converter", converter->findPin(PinDirection::Input, "Input"), MediaType::ofVideo({64, 48, 24, 15}),
         S_OK},
    };
    for (const Case& c : cases) EXPECT_EQ(c.input->filter().acceptType(*c.input, c.type), c.expected) << c.what;

    // The pins the recorder names.
    for (const auto& [filter, names] : std::vector<std::pair<std::shared_ptr<Filter>, std::vector<std::string>>>{
             {video, {"Input", "Output"}},
             {audio, {"XForm In", "XForm Out"}},
             {mux, {"Input0", "Input1", "Out"}},
             {sink, {"Input"}},
             {tee, {"Input", "Output1"}}}) {
        std::vector<std::string> pins;
        for (const auto& pin : filter->pins()) pins.push_back(pin->name());
        EXPECT_EQ(pins, names) << filter->name();
    }

    // A multiplexer with nothing to write cannot run.
    FilterGraph empty(registry_);
    auto lonelyMux = add(empty, kMpegMultiplexerClassId, "mux");
    auto lonelySink = add(empty, kMpegSinkClassId, "sink");
    query<FileSink>(lonelySink)->setFileName(path("empty.mpg"));
    empty.connectDirect(lonelyMux->findPin(PinDirection::Output, "Out"), lonelySink->findPin(PinDirection::Input, "Input"));
    EXPECT_EQ(empty.run(), VFW_E_NOT_CONNECTED);
}

TEST_F(Mpeg2FiltersTest, SinkKeepsAnExistingFileUnlessToldToReplaceIt) {
    auto sink = registry_.create(kMpegSinkClassId);
    auto* fileSink = query<FileSink>(sink);
    ASSERT_NE(fileSink, nullptr);
    EXPECT_EQ(fileSink->setFileName(""), E_INVALIDARG);
    EXPECT_EQ(fileSink->setFileName(path("missing/x.mpg")), static_cast<HRESULT>(0x80070003u));

    std::ofstream(path("kept.mpg")) << "earlier recording";
    FilterGraph graph(registry_);
    auto source = std::make_shared<SyntheticSource>(MediaType::ofStream(), 1, [](int) {
        auto s = std::make_shared<MediaSample>();
        s->data = {1, 2, 3};
        return s;
    });
    graph.addFilter(source, "bytes");
    graph.addFilter(sink, "sink");
    ASSERT_EQ(fileSink->setFileName(path("kept.mpg")), S_OK);
    ASSERT_EQ(graph.connectDirect(source->pins()[0].get(), sink->findPin(PinDirection::Input, "Input")), S_OK);
    EXPECT_EQ(graph.run(), static_cast<HRESULT>(0x80070050u));  // the file exists
    EXPECT_EQ(fs::file_size(path("kept.mpg")), 17u);

    ASSERT_EQ(set(sink, P::SinkReplaceFile, 1), S_OK);
    ASSERT_EQ(graph.run(), S_OK);
    source->join();
    graph.stop();
    EXPECT_EQ(fs::file_size(path("kept.mpg")), 3u);
}

// Keeps what reaches its input pin.
class KeepingSink : public Filter {
public:
    KeepingSink() : Filter("{KEEP}") { addPin("Input", PinDirection::Input); }
    void receive(Pin&, const SamplePtr& sample) override { samples.push_back(sample); }
    std::vector<SamplePtr> samples;
};

TEST_F(Mpeg2FiltersTest, TheColourSpaceConverterGivesBgrxFrames) {
    for (const int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        const VideoFormat format{66, 48, bits, 15};
        const SamplePtr frame = test::patternFrame(format, 3);
        FilterGraph graph(registry_);
        auto source = std::make_shared<SyntheticSource>(MediaType::ofVideo(format), 1, [&](int) { return frame; });
        auto converter = add(graph, kColorSpaceConverterClassId, "converter");
        auto sink = std::make_shared<KeepingSink>();
        graph.addFilter(source, "source");
        graph.addFilter(sink, "sink");
        ASSERT_EQ(graph.connectDirect(source->pins()[0].get(), converter->findPin(PinDirection::Input, "Input")), S_OK);
        ASSERT_EQ(graph.connectDirect(converter->findPin(PinDirection::Output, "Output"), sink->pins()[0].get()), S_OK);
        EXPECT_EQ(sink->pins()[0]->mediaType(), MediaType::ofVideo({66, 48, 32, 15}));
        ASSERT_EQ(graph.run(), S_OK);
        source->join();
        graph.stop();
        ASSERT_EQ(sink->samples.size(), 1u);
        const MediaSample& out = *sink->samples[0];
        ASSERT_EQ(out.data.size(), 66u * 48 * 4);
        EXPECT_EQ(out.pts_100ns, frame->pts_100ns);
        const int in = bits / 8;
        for (const auto& [x, y] : {std::pair{0, 0}, {65, 47}, {30, 20}, {10, 47}}) {
            const std::uint8_t* src = &frame->data[static_cast<std::size_t>(y) * frame->stride + x * in];
            const std::uint8_t* dst = &out.data[static_cast<std::size_t>(y) * out.stride + x * 4];
            EXPECT_EQ((std::vector<int>{dst[0], dst[1], dst[2]}), (std::vector<int>{src[0], src[1], src[2]}));
            if (bits == 24) {
                EXPECT_EQ(dst[3], 0xFF);
            }
        }
    }
}

TEST_F(Mpeg2FiltersTest, AFullDiskIsLoggedAndTheRecordingStillEnds) {
    fs::create_symlink("/dev/full", folder_ / "full.mpg");
    record({VideoFormat{320, 240, 32, 15}, AudioFormat{44100, 2, 16}, 1}, "full.mpg");
    const auto& lines = log_.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.find("MPEG sink: cannot write") != std::string::npos; }),
              1);
}

}  // namespace
}  // namespace platform
