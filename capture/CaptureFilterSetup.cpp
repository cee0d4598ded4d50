#include "capture/CaptureFilterSetup.h"

#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/media/MediaErrors.h"
#include "platform/media/ScreenCaptureConfig.h"

namespace talvora {

using platform::Filter;
using platform::HRESULT;

std::string ResultName(HRESULT hr) {
    switch (hr) {
        case platform::VFW_E_DUPLICATE_NAME: return "VFW_E_DUPLICATE_NAME";
        case platform::E_POINTER: return "E_POINTER";
        case platform::VFW_E_CERTIFICATION_FAILURE: return "VFW_E_CERTIFICATION_FAILURE ";
        case platform::E_OUTOFMEMORY: return "E_OUTOFMEMORY";
        case platform::E_FAIL: return "E_FAIL";
        default: return "";
    }
}

std::shared_ptr<Filter> SetupScreenCapture(AppContext& ctx, GraphToolkit& toolkit, platform::FilterGraph& graph,
                                           const std::array<int, 16>& values, bool preview) {
    platform::MessageBox& box = ctx.platform.messageBox;
    const std::string suffix = preview ? " 2" : "";
    std::shared_ptr<Filter> first;
    if (platform::failed(toolkit.CreateFilter(platform::kScreenCaptureClassId, &first))) {
        box.show("Cannot create screen capture filter" + suffix);
        return nullptr;
    }
    auto* config = platform::query<platform::ScreenCaptureConfig>(first);
    if (config == nullptr) {
        box.show("Cannot communicate with screen capture filter" + suffix);
        return nullptr;
    }
    if (platform::failed(config->configure(values))) {
        box.show(preview ? "FAIL settings 1" : "Cannot communicate with screen capture filter");
        return nullptr;
    }
    first.reset();  // the values carry over to the instance that joins the graph
    std::shared_ptr<Filter> filter;
    if (platform::failed(toolkit.CreateFilter(platform::kScreenCaptureClassId, &filter))) {
        box.show("Cannot create screen capture filter" + suffix);
        return nullptr;
    }
    if (const HRESULT hr = graph.addFilter(filter, "ScrCap BCK"); platform::failed(hr)) {
        box.show("Cannot add screen capture filter");
        box.show(platform::format("Cannot add video filter (%s)", ResultName(hr).c_str()));
        return nullptr;
    }
    return filter;
}

platform::AudioCaptureSetup AudioSetupFromSettings(Settings& settings, bool muted, bool stopping) {
    if (settings.smartMic == 0) settings.recOption = 2;
    platform::AudioCaptureSetup setup;
    setup.one = 1;
    setup.protocol = settings.protocol;
    setup.dualAudio = settings.dualAudio;
    setup.secondSource = settings.audioSource1;
    setup.zero = 0;
    setup.mute = muted ? 1 : 0;
    setup.recOption = settings.recOption;
    setup.stopping = stopping ? 1 : 0;
    setup.singleDevice = settings.singleDevice;
    setup.procVolume = static_cast<float>(settings.procVolume) / 100.0f;
    return setup;
}

std::shared_ptr<Filter> SetupAudioCapture(AppContext& ctx, GraphToolkit& toolkit, platform::FilterGraph& graph,
                                          const platform::AudioCaptureSetup& setup) {
    platform::MessageBox& box = ctx.platform.messageBox;
    std::shared_ptr<Filter> first;
    if (platform::failed(toolkit.CreateFilter(platform::kAudioCaptureClassId, &first))) {
        box.show("Cannot create VozEza5 audio filter (1)");
        return nullptr;
    }
    if (ctx.settings.videoOnly == 0) {
        auto* config = platform::query<platform::AudioCaptureConfig>(first);
        if (config == nullptr || platform::failed(config->configure(setup))) {
            box.show("Cannot setup audio capture filter");
            return nullptr;
        }
    }
    first.reset();
    std::shared_ptr<Filter> filter;
    if (platform::failed(toolkit.CreateFilter(platform::kAudioCaptureClassId, &filter))) {
        box.show("Cannot create VozEza5 audio filter (1)");
        return nullptr;
    }
    if (const HRESULT hr = graph.addFilter(filter, "VozEza5 Filter"); platform::failed(hr)) {
        box.show(platform::format("Cannot add audio filter (%s)", ResultName(hr).c_str()));
        return nullptr;
    }
    return filter;
}

}  // namespace talvora
