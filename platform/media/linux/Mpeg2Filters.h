#pragma once

#include "platform/core/DiagnosticLog.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/linux/RecordingJournal.h"

namespace platform {

// Friendly names in the legacy filter category.
constexpr const char* kMpeg2VideoEncoderName = "MainConcept MPEG-2 Video Encoder";
constexpr const char* kLayer2AudioEncoderName = "MainConcept Layer II Audio Encoder";
constexpr const char* kMpegMultiplexerName = "MainConcept MPEG Multiplexer";
constexpr const char* kMpegSinkName = "MainConcept Sink Filter";
constexpr const char* kMpegTeeName = "MainConcept InfTee Filter";
constexpr const char* kColorSpaceConverterName = "MainConcept Color Space Converter";

constexpr const char* kMpeg2VideoEncoderClassId = "{172F50BA-6CCB-4E46-B6DC-FCEFD049893B}";
constexpr const char* kLayer2AudioEncoderClassId = "{E4711033-6FF2-42FF-8AAC-C6B1612AF181}";
constexpr const char* kMpegMultiplexerClassId = "{D1B3E1F8-D2A4-4640-B1B9-35EF82BEDDC0}";
constexpr const char* kMpegSinkClassId = "{A54DE9C4-64E0-49FF-9AD4-D8A900A0532F}";
constexpr const char* kMpegTeeClassId = "{FD4A37DC-4F0F-410D-B209-B9C57663D9AB}";
constexpr const char* kColorSpaceConverterClassId = "{593D7D01-6FD0-457B-9D7B-9694D822CEB3}";

// Puts the filters of the MPEG-2 recording path into the registry, by class
// id and by name in the legacy category: the video and audio encoders, the
// multiplexer, the file writer, a tee and a colour space converter. `log`
// and `journal` (where the writer notes unfinished files, when given) must
// outlive the registry. UI thread, at start.
void registerMpeg2Filters(FilterRegistry& registry, DiagnosticLog& log, const RecordingJournal* journal = nullptr);

}  // namespace platform
