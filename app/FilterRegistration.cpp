#include "app/FilterRegistration.h"

#include <array>

#include "platform/core/DiagnosticLog.h"
#include "platform/core/Format.h"
#include "platform/desktop/Display.h"
#include "platform/shell/Folders.h"
#include "platform/shell/Launcher.h"
#include "platform/shell/PathMapping.h"
#include "platform/shell/Registry.h"
#include "platform/shell/SystemInfo.h"

namespace talvora {

namespace {

const std::array<const char*, 11> kMpeg2Filters{
    "mc_enc_mp2v_ds.ax", "mc_enc_mpa_ds.ax",  "mc_mux_mp2_ds.ax",   "mcIScaler.ax", "mc_render_fileindex_ds.ax",
    "wvd.ax",            "mc_dec_mp2v_ds.ax", "mc_dec_mpa_ds.ax",   "mc_demux_mp2_ds.ax", "mcinftee.ax",
    "mccsc.ax"};

const std::array<const char*, 7> kCaptureFilters{"VozEza5.ax", "wxyz.ax",          "DirOri.ax", "usc.ax",
                                                 "mpg4ds32.ax", "audio_sniffer.dll", "wvd.ax"};

std::string registrationParameters(AppContext& ctx, const char* file) {
    const std::string bin = platform::paths::join(ctx.platform.folders.programFolder(), "Bin");
    return " /s \"" + platform::paths::join(bin, file) + "\"";
}

}  // namespace

int RunElevated(AppContext& ctx, const std::string& program, const std::string& parameters) {
    const bool elevate = ctx.environment.administrator && ctx.environment.vistaOrLater;
    const bool started = ctx.platform.launcher.executeAndWait(elevate ? "runas" : "open", program, parameters,
                                                               platform::ShowState::Minimized, 10000);
    return started ? 1 : 0;
}

void RegisterFilters(AppContext& ctx) {
    for (const char* file : kMpeg2Filters) {
        const int result = RunElevated(ctx, "regsvr32", registrationParameters(ctx, file));
        ctx.platform.log.append(platform::format("%s ret=%d", file, result));
    }
    for (const char* file : kCaptureFilters) RunElevated(ctx, "regsvr32", registrationParameters(ctx, file));
}

void LogSystemInfo(AppContext& ctx) {
    const std::string processor =
        ctx.platform.registry
            .readString(platform::RegistryRoot::LocalMachine, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                        "ProcessorNameString")
            .value_or("");
    platform::Display& display = ctx.platform.display;
    ctx.platform.log.append(platform::format(
        "\r\nScreen resolution: %dx%d\r\nMonitors: %d\r\nNumber of processors: %d\r\nProcessor: %s",
        display.screenWidth(), display.screenHeight(), static_cast<int>(display.monitors().size()),
        ctx.platform.system.processorCount(), processor.c_str()));
}

}  // namespace talvora
