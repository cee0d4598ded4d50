#include "audio/SilenceCompanion.h"

#include "app/AppContext.h"
#include "platform/core/MessagePump.h"
#include "platform/desktop/Windows.h"
#include "platform/shell/Launcher.h"

namespace talvora {
namespace {

constexpr const char* kCompanionTitle = "Silence";
constexpr const char* kCompanionProgram = ".\\hushloop.exe";
constexpr int kLooks = 20;
constexpr int kLookPeriod_ms = 1000;

}  // namespace

bool StartSilenceCompanion(AppContext& ctx) {
    if (ctx.settings.vistaAudio == 0 || ctx.settings.videoOnly != 0) return false;
    Platform& p = ctx.platform;
    if (p.windows.find(kCompanionTitle) != 0) return true;

    // A failed start shows nothing: the looks below simply find no window.
    p.launcher.execute("open", kCompanionProgram, "", platform::ShowState::Hidden);
    for (int look = 0; look < kLooks; ++look) {
        p.pump.pump(kLookPeriod_ms);
        if (p.windows.find(kCompanionTitle) != 0) return true;
    }
    return false;
}

}  // namespace talvora
