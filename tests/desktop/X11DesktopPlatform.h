#pragma once

#include <string>

#include "app/AppContext.h"
#include "platform/audio/fake/FakeSoundPlayer.h"
#include "platform/core/fake/FakeLog.h"
#include "platform/core/fake/FakeMessageBox.h"
#include "platform/core/fake/FakeMessagePump.h"
#include "platform/core/fake/FakeProcessControl.h"
#include "platform/desktop/fake/FakeWindowMessages.h"
#include "platform/desktop/linux/X11Display.h"
#include "platform/desktop/linux/X11Windows.h"
#include "platform/shell/fake/FakeFolders.h"
#include "platform/shell/fake/FakeLauncher.h"
#include "platform/shell/fake/FakeRegistry.h"
#include "platform/shell/fake/FakeSystemInfo.h"

namespace talvora::test {

// The real X11 windows and display of $DISPLAY with every other platform
// service as a fake, the folders below `home`, and an AppContext wired to them.
struct X11DesktopPlatform {
    explicit X11DesktopPlatform(const std::string& home) {
        folders.program = home;
        folders.appData = home + "/config";
    }

    platform::FakeMessageBox messageBox;
    platform::FakeLog log;
    platform::FakeMessagePump pump;
    platform::FakeProcessControl process;
    platform::FakeFolders folders;
    platform::FakeLauncher launcher;
    platform::FakeRegistry registry;
    platform::FakeSystemInfo system;
    platform::X11Windows windows;
    platform::FakeWindowMessages messages;
    platform::X11Display display;
    platform::FakeSoundPlayer sound;
    Platform services{messageBox, log, pump, process, folders, launcher, registry, system, windows, messages, display,
                      sound};
    AppContext ctx{services};
};

}  // namespace talvora::test
