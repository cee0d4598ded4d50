#pragma once

#include "app/Environment.h"
#include "app/Settings.h"

namespace platform {
class DiagnosticLog;
class Display;
class Folders;
class Launcher;
class MessageBox;
class MessagePump;
class ProcessControl;
class Registry;
class SystemInfo;
class WindowMessages;
class Windows;
}  // namespace platform

namespace talvora {

// The platform services a program is wired to: the Linux backends in main(),
// fakes in tests.
struct Platform {
    platform::MessageBox& messageBox;
    platform::DiagnosticLog& log;
    platform::MessagePump& pump;
    platform::ProcessControl& process;
    platform::Folders& folders;
    platform::Launcher& launcher;
    platform::Registry& registry;
    platform::SystemInfo& system;
    platform::Windows& windows;
    platform::WindowMessages& messages;
    platform::Display& display;
};

// Everything the recorder's Parts share: the platform, the settings record and
// the environment facts. One per process, created in main().
struct AppContext {
    explicit AppContext(Platform& p) : platform(p) {}

    Platform& platform;
    Settings settings;
    Environment environment;
};

}  // namespace talvora
