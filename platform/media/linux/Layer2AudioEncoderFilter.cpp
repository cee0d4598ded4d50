#include "platform/media/linux/Layer2AudioEncoderFilter.h"

#include <algorithm>

#include "platform/media/MediaErrors.h"
#include "platform/media/linux/AudioFrameEncoder.h"

namespace platform {

namespace {

// Some seconds of sound may wait for the encoder.
constexpr std::size_t kQueueBudgetBytes = 2u << 20;
constexpr int kMaxChannels = 8;

int layer2SampleRate(int inputRate) {
    return inputRate == 32000 || inputRate == 44100 || inputRate == 48000 ? inputRate : 48000;
}

}  // namespace

Layer2AudioEncoderFilter::Layer2AudioEncoderFilter(std::string classId, DiagnosticLog& log)
    : EncoderFilter(std::move(classId), Mpeg2Module::AudioEncoder, {"XForm In", "XForm Out"}, kQueueBudgetBytes, log,
                    "Layer II audio encoder") {}

HRESULT Layer2AudioEncoderFilter::acceptInput(const MediaType& type) const {
    const AudioFormat& a = type.audio;
    const bool ok = type.major == MajorType::Audio && a.bitsPerSample == 16 && a.channels >= 1 &&
                    a.channels <= kMaxChannels && a.sampleRate > 0;
    return ok ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

MediaType Layer2AudioEncoderFilter::encodedType(const MediaType& input) const {
    const int bitRate = layer2BitRate(committed(Mpeg2Parameter::AudioBitRateIndex));
    const AudioFormat a{layer2SampleRate(input.audio.sampleRate), std::min(input.audio.channels, 2), 16};
    return MediaType::ofEncodedAudio({Codec::MpegAudioLayer2, bitRate, bitRate, 0}, a);
}

std::unique_ptr<FrameEncoder> Layer2AudioEncoderFilter::openEncoder(const MediaType& input,
                                                                    const StreamEncoder::Target& target,
                                                                    int& error) const {
    ffmpeg::CodecContextPtr context;
    if (error = StreamEncoder::allocateContext(AV_CODEC_ID_MP2, context); error < 0) return nullptr;
    const MediaType encoded = encodedType(input);
    context->sample_fmt = context->codec->sample_fmts != nullptr ? context->codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    av_channel_layout_default(&context->ch_layout, encoded.audio.channels);
    context->sample_rate = encoded.audio.sampleRate;
    context->bit_rate = encoded.encoded.bitRate;
    auto encoder = std::make_unique<AudioFrameEncoder>(input.audio);
    if (error = encoder->open(std::move(context), target); error < 0) return nullptr;
    return encoder;
}

}  // namespace platform
