#pragma once

#include <filesystem>
#include <string>

#include "app/AppContext.h"
#include "platform/audio/fake/FakeSoundPlayer.h"
#include "platform/core/fake/FakeLog.h"
#include "platform/core/fake/FakeMessageBox.h"
#include "platform/core/fake/FakeMessagePump.h"
#include "platform/core/fake/FakeProcessControl.h"
#include "platform/desktop/fake/FakeDisplay.h"
#include "platform/desktop/fake/FakeWindowMessages.h"
#include "platform/desktop/fake/FakeWindows.h"
#include "platform/shell/fake/FakeFolders.h"
#include "platform/shell/fake/FakeLauncher.h"
#include "platform/shell/fake/FakeRegistry.h"
#include "platform/shell/fake/FakeSystemInfo.h"

namespace talvora {
class SettingsStore;
}

namespace talvora::test {

// Every platform service as a fake, with the folders below a fresh temporary
// folder that is removed again, and an AppContext wired to them.
struct FakePlatform {
    FakePlatform();
    ~FakePlatform();

    std::filesystem::path root;
    platform::FakeMessageBox messageBox;
    platform::FakeLog log;
    platform::FakeMessagePump pump;
    platform::FakeProcessControl process;
    platform::FakeFolders folders;
    platform::FakeLauncher launcher;
    platform::FakeRegistry registry;
    platform::FakeSystemInfo system;
    platform::FakeWindows windows;
    platform::FakeWindowMessages messages;
    platform::FakeDisplay display;
    platform::FakeSoundPlayer sound;
    Platform platform;
    AppContext ctx;
};

// The recorder at work in the fake program folder: the settings template
// beside it, the data folder prepared and the settings read from it. The
// previous working folder comes back at the end.
class InProgramFolder {
public:
    InProgramFolder(FakePlatform& fp, SettingsStore& store);
    ~InProgramFolder();
    InProgramFolder(const InProgramFolder&) = delete;
    InProgramFolder& operator=(const InProgramFolder&) = delete;

private:
    std::filesystem::path previous_;
};

}  // namespace talvora::test
