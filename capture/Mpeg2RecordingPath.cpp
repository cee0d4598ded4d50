#include "capture/Mpeg2RecordingPath.h"

#include <utility>
#include <vector>

#include "capture/CaptureFilterSetup.h"
#include "capture/RecordingFilters.h"
#include "capture/RecordingGraph.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/media/FileSink.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/ModuleConfig.h"
#include "platform/media/Mpeg2Parameters.h"
#include "platform/media/QualityProperties.h"

namespace talvora {

using platform::Filter;
using platform::Mpeg2Parameter;
using platform::PinDirection;

namespace {

constexpr const char* kVideoEncoderName = "MainConcept MPEG-2 Video Encoder";
constexpr const char* kAudioEncoderName = "MainConcept Layer II Audio Encoder";
constexpr const char* kMultiplexerName = "MainConcept MPEG Multiplexer";
constexpr const char* kSinkName = "MainConcept Sink Filter";
constexpr const char* kTeeName = "MainConcept InfTee Filter";
constexpr const char* kConverterName = "MainConcept Color Space Converter";

// The `Audio Bitrate` values (kbps) that choose a Layer II rate.
constexpr int kOfferedAudioBitrates[] = {64, 96, 128, 192, 256, 384};

// One value for a parameter of a filter's module configuration.
struct Setting {
    Mpeg2Parameter parameter;
    std::int64_t value;
};

// Each value is read, replaced (as a signed integer when `asInt`, else in
// the type it was read as) and written back; the filter commits them
// together. The first refusal ends it, so the filter keeps its last
// committed values.
bool configure(Filter* filter, const std::vector<Setting>& settings, bool asInt) {
    auto* config = platform::query<platform::ModuleConfig>(filter);
    if (config == nullptr) return false;
    for (const Setting& setting : settings) {
        const char* id = platform::mpeg2Parameter(setting.parameter).id;
        platform::ModuleValue value;
        if (platform::failed(config->getValue(id, &value))) return false;
        if (asInt) value.type = platform::ValueType::Int;
        value.value = setting.value;
        if (platform::failed(config->setValue(id, value))) return false;
    }
    return platform::succeeded(config->commitChanges());
}

}  // namespace

std::int64_t Mpeg2RecordingPath::videoBitRate(const Settings& settings) {
    const std::int64_t b = std::int64_t{settings.videoBitrate} * 1000;
    return settings.protocol == 8 ? 2 * b : b;
}

std::optional<int> Mpeg2RecordingPath::layer2Index(int audioBitrate) {
    for (int offered : kOfferedAudioBitrates) {
        if (offered != audioBitrate) continue;
        for (int index = 1; platform::layer2BitRate(index) != 0; ++index)
            if (platform::layer2BitRate(index) == audioBitrate * 1000) return index;
    }
    return std::nullopt;
}

bool Mpeg2RecordingPath::configureSink(Filter* sink) {
    return configure(sink, {{Mpeg2Parameter::SinkReplaceFile, 1}}, false);
}

bool Mpeg2RecordingPath::configureMultiplexer(Filter* multiplexer) {
    return configure(multiplexer, {{Mpeg2Parameter::MuxProgramStream, 1}}, false);
}

bool Mpeg2RecordingPath::configureVideoEncoder(Filter* encoder) {
    const std::int64_t b = videoBitRate(ctx_.settings);
    return configure(encoder,
                     {{Mpeg2Parameter::VideoRateMode, 0},
                      {Mpeg2Parameter::VideoBufferBits, 1'000'000},
                      {Mpeg2Parameter::VideoMaxBitRate, b + 1'000'000},
                      {Mpeg2Parameter::VideoBitRate, b},
                      {Mpeg2Parameter::VideoClosedGop, 1},
                      {Mpeg2Parameter::VideoProgressive, 1},
                      {Mpeg2Parameter::VideoGopAnchors, 4},
                      {Mpeg2Parameter::VideoAnchorDistance, 4},
                      {Mpeg2Parameter::VideoDcPrecision, 0},
                      {Mpeg2Parameter::VideoSceneCuts, 0},
                      {Mpeg2Parameter::VideoChroma422, 0}},
                     true);
}

bool Mpeg2RecordingPath::configureAudioEncoder(Filter* encoder) {
    std::vector<Setting> settings;
    if (const std::optional<int> index = layer2Index(ctx_.settings.audioBitrate))
        settings.push_back({Mpeg2Parameter::AudioBitRateIndex, *index});
    return configure(encoder, settings, true);
}

void Mpeg2RecordingPath::prepare(const std::array<int, 16>& screenValues, bool muted) {
    screenValues_ = screenValues;
    muted_ = muted;
}

bool Mpeg2RecordingPath::install(platform::FilterGraph& graph, std::shared_ptr<Filter>& slot, const char* name,
                                 const char* shownName) {
    slot = toolkit_.AddFilterByName(graph, platform::kLegacyFilterCategory, name);
    if (!slot) ctx_.platform.messageBox.show(platform::format("Cannot install %s filter", shownName));
    return slot != nullptr;
}

bool Mpeg2RecordingPath::addMultiplexer(platform::FilterGraph& graph, RecordingFilters& filters) {
    if (!install(graph, filters.multiplexer, kMultiplexerName, "Mux")) return false;
    if (platform::failed(toolkit_.CollectInputPinNames(filters.multiplexer.get()))) {
        ctx_.platform.messageBox.show(platform::format("Cannot install %s filter", "Mux"));
        return false;
    }
    // A multiplexer whose first input is the audio one is replaced by a
    // fresh instance.
    const NameList& inputs = toolkit_.inputPinNames();
    if (inputs.count() > 0 && inputs.at(0).find("Input1") != std::string::npos) {
        graph.removeFilter(filters.multiplexer.get());
        if (!install(graph, filters.multiplexer, kMultiplexerName, "Mux")) return false;
    }
    if (!configureMultiplexer(filters.multiplexer.get()))
        ctx_.platform.messageBox.show("MPEG Multiplexer cannot be configured");
    return true;
}

bool Mpeg2RecordingPath::addSink(platform::FilterGraph& graph, RecordingFilters& filters,
                                 const std::string& outputPath) {
    platform::MessageBox& box = ctx_.platform.messageBox;
    if (!install(graph, filters.mpegSink, kSinkName, "File Sink")) return false;
    auto* fileSink = platform::query<platform::FileSink>(filters.mpegSink);
    if (fileSink == nullptr) {
        box.show(platform::format("Cannot query %s filter", "File Sink"));
        return false;
    }
    if (platform::failed(fileSink->setFileName(outputPath))) {
        box.show(platform::format("Cannot create file %s", outputPath.c_str()));
        return false;
    }
    if (!configureSink(filters.mpegSink.get())) box.show("Cannot configure MPEG writer");
    return true;
}

bool Mpeg2RecordingPath::addFilters(platform::FilterGraph& graph, RecordingFilters& filters,
                                    const std::string& outputPath) {
    Settings& s = ctx_.settings;
    if (s.audioOnly == 0) {
        // The set-up shows its own messages; it gives no filter only then.
        filters.screen = SetupScreenCapture(ctx_, toolkit_, graph, screenValues_, false);
        if (!filters.screen) return false;
        if (!install(graph, filters.videoEncoder, kVideoEncoderName, "MPEG Encoder")) return false;
    }
    if (!addMultiplexer(graph, filters) || !addSink(graph, filters, outputPath)) return false;
    if (s.videoOnly == 0) {
        if (!install(graph, filters.audioEncoder, kAudioEncoderName, "MPEG Audio Encoder")) return false;
        filters.audio = SetupAudioCapture(ctx_, toolkit_, graph, AudioSetupFromSettings(s, muted_, false));
        if (!filters.audio) return false;
        s.audioOutput = "Out";
    }
    if (s.audioOnly != 0) return true;
    filters.tee = toolkit_.AddFilterByName(graph, platform::kLegacyFilterCategory, kTeeName);
    filters.colorConverter = toolkit_.AddFilterByName(graph, platform::kLegacyFilterCategory, kConverterName);
    filters.renderer = toolkit_.AddFilterByName(graph, platform::kLegacyFilterCategory, "Video Renderer");
    return true;
}

bool Mpeg2RecordingPath::connect(platform::FilterGraph& graph, RecordingFilters& filters) {
    platform::MessageBox& box = ctx_.platform.messageBox;
    const Settings& s = ctx_.settings;
    auto pin = [&](const std::shared_ptr<Filter>& f, PinDirection d, const std::string& name) {
        return f ? toolkit_.FindPin(f.get(), d, name) : nullptr;
    };
    // Output pin first, then the input; a missing pin or filter fails too.
    auto link = [&](const std::shared_ptr<Filter>& from, const std::string& out, const std::shared_ptr<Filter>& to,
                    const std::string& in) {
        return platform::succeeded(
            graph.connectDirect(pin(from, PinDirection::Output, out), pin(to, PinDirection::Input, in)));
    };
    auto fail = [&](const char* message) {
        box.show(message);
        return false;
    };

    if (s.videoOnly == 0) {
        if (s.audioOutput.empty() || s.audioSource.empty())
            return fail("Audio is not setup for recording. Please open Audio Setup under Settings.");
        if (!link(filters.audio, s.audioOutput, filters.audioEncoder, "XForm In")) return fail(AudioFailureMessage());
    }
    if (s.audioOnly == 0) {
        if (filters.tee && !link(filters.screen, "Output", filters.tee, "Input"))
            return fail("Cannot connect Screen Capture to tee");
        if (!link(filters.tee, "Output1", filters.videoEncoder, "Input"))
            return fail("Cannot connect Screen Capture to Encoder (2)");
        if (!link(filters.videoEncoder, "Output", filters.multiplexer, "Input0"))
            return fail("Cannot connect Encoder to Mux");
    }
    if (!link(filters.multiplexer, "Out", filters.mpegSink, "Input")) return fail("Cannot connect Timer to File Writer");
    if (s.videoOnly == 0) {
        if (!link(filters.audioEncoder, "XForm Out", filters.multiplexer, "Input1"))
            return fail("Cannot connect Audio Encoder to Mux");
        if (!configureAudioEncoder(filters.audioEncoder.get())) box.show("Cannot configure audio encoder");
    }
    if (s.audioOnly != 0) return true;
    if (!configureVideoEncoder(filters.videoEncoder.get())) box.show("Cannot configure video encoder");
    if (filters.tee) {
        link(filters.tee, "Output2", filters.renderer, "Input");
        if (platform::query<platform::QualityProperties>(filters.renderer) == nullptr) box.show("No pIPQ");
    }
    return true;
}

}  // namespace talvora
