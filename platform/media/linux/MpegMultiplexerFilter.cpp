#include "platform/media/linux/MpegMultiplexerFilter.h"

#include "platform/media/MediaErrors.h"

namespace platform {

MpegMultiplexerFilter::MpegMultiplexerFilter(std::string classId, DiagnosticLog& log)
    : Filter(std::move(classId)),
      ModuleSettings(Mpeg2Module::Multiplexer),
      log_(log),
      video_(addPin("Input0", PinDirection::Input)),
      audio_(addPin("Input1", PinDirection::Input)),
      out_(addPin("Out", PinDirection::Output)) {}

MpegMultiplexerFilter::~MpegMultiplexerFilter() { finish(); }

MediaType MpegMultiplexerFilter::offeredType(const Pin&) const { return MediaType::ofStream(); }

HRESULT MpegMultiplexerFilter::acceptType(Pin& input, const MediaType& type) {
    const Codec wanted = &input == &video_ ? Codec::Mpeg2Video : Codec::MpegAudioLayer2;
    return type.major == MajorType::Encoded && type.encoded.codec == wanted ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

void MpegMultiplexerFilter::receive(Pin& input, const SamplePtr& sample) {
    const auto stream = &input == &video_ ? ProgramStreamMuxer::kVideo : ProgramStreamMuxer::kAudio;
    muxer_.with([&](ProgramStreamMuxer& muxer) { muxer.push(stream, sample); });
}

HRESULT MpegMultiplexerFilter::changeState(FilterState from, FilterState to, StreamClock&) {
    if (from == FilterState::Stopped && to != FilterState::Stopped) return start();
    if (to == FilterState::Stopped) finish();
    return S_OK;
}

std::optional<MediaType> MpegMultiplexerFilter::currentType(const Pin& input) const {
    if (!input.isConnected()) return std::nullopt;
    // The encoders may have been configured since they were connected.
    const MediaType now = input.peer()->filter().offeredType(*input.peer());
    return now.major == MajorType::Encoded && now.encoded.codec == input.mediaType().encoded.codec
               ? now
               : input.mediaType();
}

HRESULT MpegMultiplexerFilter::start() {
    const std::optional<MediaType> video = currentType(video_);
    const std::optional<MediaType> audio = currentType(audio_);
    if ((!video && !audio) || !out_.isConnected()) return VFW_E_NOT_CONNECTED;
    bytes_ = 0;
    auto muxer = std::make_unique<ProgramStreamMuxer>(
        log_, committed(Mpeg2Parameter::MuxProgramStream) == 1, video, audio,
        [this](const std::uint8_t* data, int size) {
            auto sample = std::make_shared<MediaSample>();
            sample->data.assign(data, data + size);
            bytes_ += size;
            out_.deliver(sample);
        });
    if (const HRESULT hr = muxer->open(); failed(hr)) return hr;
    muxer_.put(std::move(muxer));
    return S_OK;
}

void MpegMultiplexerFilter::finish() {
    const std::unique_ptr<ProgramStreamMuxer> muxer = muxer_.take();
    if (!muxer) return;
    muxer->finish();
    out_.deliverEndOfStream();
    lastDropped_ = muxer->droppedSamples();
}

std::int64_t MpegMultiplexerFilter::droppedSamples() const {
    std::int64_t dropped = lastDropped_;
    muxer_.with([&](const ProgramStreamMuxer& muxer) { dropped = muxer.droppedSamples(); });
    return dropped;
}

std::vector<std::pair<std::string, std::string>> MpegMultiplexerFilter::properties() const {
    auto lines = committedLines();
    lines.emplace_back("Bytes written", std::to_string(bytes_));
    lines.emplace_back("Dropped packets", std::to_string(droppedSamples()));
    return lines;
}

}  // namespace platform
