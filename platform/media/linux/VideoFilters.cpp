#include "platform/media/linux/VideoFilters.h"

#include <memory>

#include "platform/media/ScreenCaptureConfig.h"
#include "platform/media/linux/InfiniteTeeFilter.h"
#include "platform/media/linux/ScreenCaptureFilter.h"
#include "platform/media/linux/ScreenCaptureSettings.h"
#include "platform/media/linux/VideoRendererFilter.h"

namespace platform {

void registerVideoFilters(FilterRegistry& registry, ScreenSource& screen, DiagnosticLog& log) {
    // One settings object for every instance of this factory: values given to
    // one instance hold for those made later.
    auto settings = std::make_shared<ScreenCaptureSettings>();
    FilterFactory screenCapture = [settings, &screen, &log] {
        return std::make_shared<ScreenCaptureFilter>(settings, screen, log);
    };
    registry.registerClass(kScreenCaptureClassId, screenCapture);
    registry.addEntry(kLegacyFilterCategory, {kScreenCaptureName, kScreenCaptureClassId, screenCapture});

    FilterFactory tee = [] { return std::make_shared<InfiniteTeeFilter>(kInfiniteTeeClassId); };
    registry.registerClass(kInfiniteTeeClassId, tee);
    registry.addEntry(kLegacyFilterCategory, {kInfiniteTeeName, kInfiniteTeeClassId, tee});

    // Both renderer entries are real renderers, so whichever a caller binds draws.
    for (const char* classId : {kFirstVideoRendererClassId, kVideoRendererClassId}) {
        FilterFactory renderer = [classId] { return std::make_shared<VideoRendererFilter>(classId); };
        registry.registerClass(classId, renderer);
        registry.addEntry(kLegacyFilterCategory, {kVideoRendererName, classId, renderer});
    }
}

}  // namespace platform
