#include "platform/media/linux/Mpeg2Filters.h"

#include <memory>

#include "platform/media/linux/ColorSpaceConverterFilter.h"
#include "platform/media/linux/InfiniteTeeFilter.h"
#include "platform/media/linux/Layer2AudioEncoderFilter.h"
#include "platform/media/linux/Mpeg2VideoEncoderFilter.h"
#include "platform/media/linux/MpegMultiplexerFilter.h"
#include "platform/media/linux/MpegSinkFilter.h"

namespace platform {

namespace {

void add(FilterRegistry& registry, const char* name, const char* classId, FilterFactory factory) {
    registry.registerClass(classId, factory);
    registry.addEntry(kLegacyFilterCategory, {name, classId, std::move(factory)});
}

}  // namespace

void registerMpeg2Filters(FilterRegistry& registry, DiagnosticLog& log, const RecordingJournal* journal) {
    add(registry, kMpeg2VideoEncoderName, kMpeg2VideoEncoderClassId,
        [&log] { return std::make_shared<Mpeg2VideoEncoderFilter>(kMpeg2VideoEncoderClassId, log); });
    add(registry, kLayer2AudioEncoderName, kLayer2AudioEncoderClassId,
        [&log] { return std::make_shared<Layer2AudioEncoderFilter>(kLayer2AudioEncoderClassId, log); });
    add(registry, kMpegMultiplexerName, kMpegMultiplexerClassId,
        [&log] { return std::make_shared<MpegMultiplexerFilter>(kMpegMultiplexerClassId, log); });
    add(registry, kMpegSinkName, kMpegSinkClassId,
        [&log, journal] { return std::make_shared<MpegSinkFilter>(kMpegSinkClassId, log, journal); });
    add(registry, kMpegTeeName, kMpegTeeClassId, [] { return std::make_shared<InfiniteTeeFilter>(kMpegTeeClassId); });
    add(registry, kColorSpaceConverterName, kColorSpaceConverterClassId,
        [] { return std::make_shared<ColorSpaceConverterFilter>(kColorSpaceConverterClassId); });
}

}  // namespace platform
