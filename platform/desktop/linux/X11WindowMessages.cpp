#include "platform/desktop/linux/X11WindowMessages.h"

#include <QCoreApplication>

namespace platform {

X11WindowMessages::~X11WindowMessages() {
    if (filterInstalled_ && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

MessageId X11WindowMessages::registerMessage(const std::string& name) {
    if (name.empty()) return 0;
    const MessageId id = xcb_.atom(name);
    if (id == 0) return 0;
    std::lock_guard lock(registeredMutex_);
    registered_.insert(id);
    return id;
}

bool X11WindowMessages::post(WindowId window, MessageId message, std::intptr_t wParam, std::intptr_t lParam) {
    if (window == 0 || message == 0) return false;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = message;
    event.data.data32[0] = static_cast<std::uint32_t>(wParam);
    event.data.data32[1] = static_cast<std::uint32_t>(lParam);
    // Checked, so that a window that is gone (BadWindow) reads as a failed post.
    const auto cookie = xcb_send_event_checked(xcb_.get(), 0, window, XCB_EVENT_MASK_NO_EVENT,
                                               reinterpret_cast<const char*>(&event));
    XcbReply<xcb_generic_error_t> error(xcb_request_check(xcb_.get(), cookie));
    return !error && xcb_.ok();
}

void X11WindowMessages::listen(WindowId window, Handler handler) {
    if (!filterInstalled_ && QCoreApplication::instance()) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        filterInstalled_ = true;
    }
    if (handler)
        handlers_[window] = std::move(handler);
    else
        handlers_.erase(window);
}

bool X11WindowMessages::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    // The top bit marks events that came through SendEvent.
    if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE) return false;
    const auto* client = reinterpret_cast<const xcb_client_message_event_t*>(event);
    if (client->format != 32 || !isRegistered(client->type)) return false;
    const auto it = handlers_.find(client->window);
    if (it == handlers_.end()) return false;
    // A copy: the handler may replace or remove itself.
    const Handler handler = it->second;
    handler(client->type, static_cast<std::int32_t>(client->data.data32[0]),
            static_cast<std::int32_t>(client->data.data32[1]));
    return true;
}

bool X11WindowMessages::isRegistered(MessageId message) {
    std::lock_guard lock(registeredMutex_);
    return registered_.contains(message);
}

}  // namespace platform
