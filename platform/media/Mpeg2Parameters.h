#pragma once

#include <cstdint>
#include <span>

#include "platform/media/ModuleConfig.h"

namespace platform {

// The filters of the MPEG-2 recording path that have parameters.
enum class Mpeg2Module { Sink, Multiplexer, VideoEncoder, AudioEncoder };

// Every parameter of those filters' module configuration.
enum class Mpeg2Parameter {
    SinkReplaceFile,
    MuxProgramStream,
    VideoRateMode,
    VideoBufferBits,
    VideoMaxBitRate,
    VideoBitRate,
    VideoClosedGop,
    VideoProgressive,
    VideoGopAnchors,
    VideoAnchorDistance,
    VideoDcPrecision,
    VideoSceneCuts,
    VideoChroma422,
    AudioBitRateIndex,
};

struct Mpeg2ParameterInfo {
    Mpeg2Parameter parameter;
    Mpeg2Module module;
    const char* id;
    ValueType type;
    std::int64_t defaultValue;
    std::int64_t minValue;
    std::int64_t maxValue;
    const char* meaning;  // also the parameter's line on the property page
};

// The one table of the parameters: their ids, types, ranges and meanings.
std::span<const Mpeg2ParameterInfo> mpeg2Parameters();
const Mpeg2ParameterInfo& mpeg2Parameter(Mpeg2Parameter parameter);

// Layer II bit rates of ISO/IEC 11172-3 by index (1 to 14), bits per second;
// 0 for an index outside the table.
int layer2BitRate(std::int64_t index);

}  // namespace platform
