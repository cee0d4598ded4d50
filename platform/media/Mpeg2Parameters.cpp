#include "platform/media/Mpeg2Parameters.h"

#include <array>

namespace platform {

namespace {

using M = Mpeg2Module;
using P = Mpeg2Parameter;
constexpr ValueType I = ValueType::Int;
constexpr ValueType U = ValueType::UInt;

constexpr std::int64_t kMaxVideoRate = 100'000'000;

// The decoder buffer bounds how far the rate may swing around the average;
// MPEG-2's levels allow up to 1835008 bits (Main) and 9781248 (High).
// The GOP is `VideoGopAnchors` anchor pictures (I or P) apart by
// `VideoAnchorDistance`, with distance - 1 B pictures between anchors; a
// closed GOP refers to no picture of the one before, so it can be cut or
// played from its start. Scene-cut I pictures need open GOPs.
constexpr std::array<Mpeg2ParameterInfo, 14> kParameters{{
    {P::SinkReplaceFile, M::Sink, "{4CA841F8-9677-4D23-B0BC-D033BB96D8A4}", U, 0, 0, 1,
     "Replace an existing file (else the run fails)"},
    {P::MuxProgramStream, M::Multiplexer, "{6E7564E3-05FA-417A-AA8E-50E474537EC3}", U, 1, 0, 1,
     "MPEG-2 program stream (else MPEG-1 system stream)"},
    {P::VideoRateMode, M::VideoEncoder, "{CD701824-5F65-4520-8DB0-26548212808C}", I, 0, 0, 1,
     "Rate control: 0 variable up to the maximum, 1 constant"},
    {P::VideoBufferBits, M::VideoEncoder, "{38A26DF5-D04E-4931-BBC2-19097F812069}", I, 1'835'008, 65'536, 9'781'248,
     "Decoder (VBV) buffer (bits)"},
    {P::VideoMaxBitRate, M::VideoEncoder, "{51EB9A74-B317-4FBB-832B-CA5C2DAA193F}", I, 8'000'000, 64'000,
     kMaxVideoRate, "Maximum bit rate (bits/s)"},
    {P::VideoBitRate, M::VideoEncoder, "{BDD50372-38E2-4A26-BA15-482B70EE136C}", I, 4'000'000, 64'000,
     kMaxVideoRate, "Average bit rate (bits/s)"},
    {P::VideoClosedGop, M::VideoEncoder, "{937DD7FB-8D25-4754-8B80-5B14E1F399E2}", I, 0, 0, 1, "Closed GOPs"},
    {P::VideoProgressive, M::VideoEncoder, "{C65C2BF0-9AAC-4A5C-B828-ACB5975C6308}", I, 1, 0, 1,
     "Progressive pictures (else interlaced coding)"},
    {P::VideoGopAnchors, M::VideoEncoder, "{68AB7A6D-A427-467B-B39D-6651E50C22C4}", I, 5, 1, 100,
     "Anchor pictures per GOP"},
    {P::VideoAnchorDistance, M::VideoEncoder, "{FDD66DC1-DB28-4DF9-ADE8-1FAD172FF045}", I, 3, 1, 8,
     "Anchor distance (B pictures + 1)"},
    {P::VideoDcPrecision, M::VideoEncoder, "{56D56480-BD09-4F97-A59F-525086A8A70B}", I, 0, 0, 3,
     "Intra DC precision beyond 8 bits"},
    {P::VideoSceneCuts, M::VideoEncoder, "{E54F50CD-E336-4872-8710-34199CF72FFA}", I, 1, 0, 1,
     "I picture at scene cuts"},
    {P::VideoChroma422, M::VideoEncoder, "{57B6D4ED-52D6-4099-9528-C10995465C00}", I, 0, 0, 1,
     "Chroma 4:2:2 (else 4:2:0)"},
    {P::AudioBitRateIndex, M::AudioEncoder, "{43662001-6552-4F28-81C7-4227048B0A41}", I, 10, 1, 14,
     "Layer II bit-rate index"},
}};

static_assert(
    [] {
        for (std::size_t i = 0; i < kParameters.size(); ++i)
            if (static_cast<std::size_t>(kParameters[i].parameter) != i) return false;
        return true;
    }(),
    "rows in the order of Mpeg2Parameter, which indexes them");

constexpr std::array<int, 15> kLayer2Kbps{0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};

}  // namespace

std::span<const Mpeg2ParameterInfo> mpeg2Parameters() { return kParameters; }

const Mpeg2ParameterInfo& mpeg2Parameter(Mpeg2Parameter parameter) {
    return kParameters[static_cast<std::size_t>(parameter)];
}

int layer2BitRate(std::int64_t index) {
    return index >= 1 && index < static_cast<std::int64_t>(kLayer2Kbps.size())
               ? kLayer2Kbps[static_cast<std::size_t>(index)] * 1000
               : 0;
}

}  // namespace platform
