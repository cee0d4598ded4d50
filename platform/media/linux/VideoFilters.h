#pragma once

#include "platform/core/DiagnosticLog.h"
#include "platform/desktop/ScreenSource.h"
#include "platform/media/FilterRegistry.h"

namespace platform {

constexpr const char* kScreenCaptureName = "ScrCap BCK";
constexpr const char* kInfiniteTeeClassId = "{F8388A40-D5BB-11D0-BE5A-0080C706568E}";
constexpr const char* kInfiniteTeeName = "Infinte Pin Tee Filter";
constexpr const char* kVideoRendererName = "Video Renderer";
// The legacy category lists two renderers of that name; this is the second,
// the one a search by name settles on, which draws into an owner's window.
constexpr const char* kVideoRendererClassId = "{70E102B0-5556-11CE-97C0-00AA0044773F}";
constexpr const char* kFirstVideoRendererClassId = "{B87BEB7B-8D29-423F-AE4D-6582C10175AC}";

// Puts the video filters into the registry: the screen capture (by class id,
// and by name in the legacy category), the infinite-pin tee and the two video
// renderers. Screen-capture instances made by this registry share their
// set-up values and read `screen`. `screen` and `log` must outlive the
// registry. UI thread, at start.
void registerVideoFilters(FilterRegistry& registry, ScreenSource& screen, DiagnosticLog& log);

}  // namespace platform
