#pragma once

#include <atomic>
#include <string>

#include "app/CmdLineInfo.h"
#include "app/DisplayScales.h"
#include "app/Environment.h"
#include "app/RegisteredMessages.h"
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
class SoundPlayer;
class SystemInfo;
class WindowMessages;
class Windows;
}  // namespace platform

namespace talvora {

class Conversions;
class FileNotices;

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
    platform::SoundPlayer& sound;
};

// What the audio endpoint probe found; workers read the rates.
struct AudioProbeResults {
    std::atomic<int> speakersRate{0};
    std::atomic<int> microphoneRate{0};
    std::atomic<int> clientRate{0};
    std::string defaultMicrophoneName;
};

// Everything the recorder's Parts share: the platform, the settings record and
// the environment facts. One per process, created in main().
struct AppContext {
    explicit AppContext(Platform& p) : platform(p) {}

    Platform& platform;
    Settings settings;
    Environment environment;
    RegisteredMessages messages;
    LaunchSwitches switches;
    DisplayScales scales;
    AudioProbeResults audio;

    // Recording flag of the session control; read by the exit path.
    std::atomic<bool> recording{false};
    // Set once the exit path has begun.
    std::atomic<bool> closing{false};
    // The one status line of the recorder window: whoever writes last is
    // shown (up to 2,047 characters). UI thread.
    std::string statusText;
    // The MP4 / MP3 conversions; null where none are wired in.
    Conversions* conversions = nullptr;
    // The desktop notices of finished files; null where none are wired in.
    FileNotices* notices = nullptr;
};

}  // namespace talvora
