#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/desktop/Windows.h"

namespace platform {

using MessageId = std::uint32_t;

// The system's own window-command message (a restore from the taskbar) has
// no number between processes here: it travels as a message registered
// under its Windows name, with the command code in wParam.
constexpr const char* kSystemCommandMessageName = "WM_SYSCOMMAND";
constexpr std::intptr_t kRestoreCommand = 0xF120;  // SC_RESTORE
// The low four bits of a system command are the system's own.
constexpr bool isRestoreCommand(std::intptr_t command) { return (command & ~std::intptr_t{0xF}) == kRestoreCommand; }

// Registered window messages between processes: the same name gives the same
// number in every process on the desktop.
class WindowMessages {
public:
    virtual ~WindowMessages() = default;

    using Handler = std::function<void(MessageId message, std::intptr_t wParam, std::intptr_t lParam)>;

    // 0 on failure.
    virtual MessageId registerMessage(const std::string& name) = 0;
    // Queues the message for the window's owner; false when it cannot be sent.
    virtual bool post(WindowId window, MessageId message, std::intptr_t wParam, std::intptr_t lParam) = 0;
    // Delivers messages posted to `window` (a window of this process) to `handler`
    // on the UI thread. A second call for the same window replaces the handler;
    // an empty handler stops delivery.
    virtual void listen(WindowId window, Handler handler) = 0;
};

}  // namespace platform
