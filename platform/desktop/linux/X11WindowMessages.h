#pragma once

#include <QAbstractNativeEventFilter>

#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/desktop/WindowMessages.h"
#include "platform/desktop/linux/XcbConnection.h"

namespace platform {

// Registered window messages between the programs of one X11 desktop.
//
// A message is the atom of its name, so every process gets the same number
// for the same name. post() sends a 32-bit ClientMessage (type = the message,
// data[0] = wParam, data[1] = lParam) to the window; with an empty event mask
// the server hands it to the client that created the window. Both parameters
// travel as 32-bit values, as between the system's 32-bit programs, and
// arrive sign-extended.
//
// Created by main() after the QApplication. registerMessage() and post() may
// be called from any thread; listen() only from the UI thread, where the
// handlers run too (from Qt's event filter). Only messages registered through
// this object are delivered, so Qt's own client messages (WM_PROTOCOLS,
// XEMBED, drag and drop) to the same windows pass untouched.
class X11WindowMessages : public WindowMessages, private QAbstractNativeEventFilter {
public:
    X11WindowMessages() = default;
    ~X11WindowMessages() override;
    X11WindowMessages(const X11WindowMessages&) = delete;
    X11WindowMessages& operator=(const X11WindowMessages&) = delete;

    MessageId registerMessage(const std::string& name) override;
    bool post(WindowId window, MessageId message, std::intptr_t wParam, std::intptr_t lParam) override;
    // `window` must be a window of this process (a Qt widget's winId()).
    void listen(WindowId window, Handler handler) override;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    bool isRegistered(MessageId message);

    XcbConnection xcb_;
    std::mutex registeredMutex_;
    std::set<MessageId> registered_;
    std::map<WindowId, Handler> handlers_;  // UI thread only
    bool filterInstalled_ = false;          // UI thread only
};

}  // namespace platform
