#include "platform/desktop/linux/X11Hotkeys.h"

#include <X11/keysym.h>

#include <QMetaObject>
#include <QSocketNotifier>

#include <algorithm>

#include "platform/desktop/linux/X11VirtualKeys.h"

namespace platform {

namespace {

constexpr std::uint16_t kUnknownMask = 0xFFFF;

}  // namespace

X11Hotkeys::X11Hotkeys() {
    if (!xcb_.ok()) return;
    symbols_.reset(xcb_key_symbols_alloc(xcb_.get()));
    readModifierMapping();
    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(xcb_.get()), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readEvents(); });
}

// The connection closes after the notifier is gone, taking the grabs with it.
X11Hotkeys::~X11Hotkeys() = default;

bool X11Hotkeys::registerHotKey(WindowId target, int id, int modifiers, int virtualKey) {
    unregisterHotKey(target, id);
    if (!xcb_.ok() || !symbols_) return false;
    // One combination serves one hotkey of the whole desktop, ours included.
    const bool taken = std::any_of(registrations_.begin(), registrations_.end(), [&](const Registration& r) {
        return r.modifiers == modifiers && r.virtualKey == virtualKey;
    });
    Registration r{target, id, modifiers, virtualKey, maskOf(modifiers), keycodesOf(virtualKey)};
    if (taken || r.mask == kUnknownMask || r.keycodes.empty() || !grab(r)) return false;
    registrations_.push_back(std::move(r));
    return true;
}

bool X11Hotkeys::unregisterHotKey(WindowId target, int id) {
    const auto it = std::find_if(registrations_.begin(), registrations_.end(),
                                 [&](const Registration& r) { return r.target == target && r.id == id; });
    if (it == registrations_.end()) return false;
    ungrab(*it);
    registrations_.erase(it);
    return true;
}

void X11Hotkeys::listen(WindowId target, Handler handler) {
    if (handler)
        handlers_[target] = std::move(handler);
    else
        handlers_.erase(target);
}

std::uint16_t X11Hotkeys::maskOf(int modifiers) const {
    if ((modifiers & ~(kHotkeyAlt | kHotkeyControl | kHotkeyShift | kHotkeyWin)) != 0) return kUnknownMask;
    std::uint16_t mask = 0;
    if (modifiers & kHotkeyAlt) mask |= altMask_;
    if (modifiers & kHotkeyControl) mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & kHotkeyShift) mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & kHotkeyWin) mask |= superMask_;
    return mask;
}

std::vector<xcb_keycode_t> X11Hotkeys::keycodesOf(int virtualKey) const {
    const xcb_keysym_t keysym = keysymOfVirtualKey(virtualKey);
    if (keysym == XCB_NO_SYMBOL || !symbols_) return {};
    // A list ended by XCB_NO_SYMBOL; the same keysym may sit on several keys.
    XcbReply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols_.get(), keysym));
    std::vector<xcb_keycode_t> result;
    for (const xcb_keycode_t* code = codes.get(); code != nullptr && *code != XCB_NO_SYMBOL; ++code)
        result.push_back(*code);
    return result;
}

std::vector<std::uint16_t> X11Hotkeys::lockVariants(std::uint16_t mask) const {
    std::vector<std::uint16_t> variants;
    for (const std::uint16_t locks : {std::uint16_t{0}, std::uint16_t{XCB_MOD_MASK_LOCK}, numLockMask_,
                                      static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLockMask_)}) {
        const auto variant = static_cast<std::uint16_t>(mask | locks);
        if (std::find(variants.begin(), variants.end(), variant) == variants.end()) variants.push_back(variant);
    }
    return variants;
}

bool X11Hotkeys::grab(const Registration& r) {
    // All requests first, then the checks: one round trip.
    std::vector<xcb_void_cookie_t> cookies;
    for (const xcb_keycode_t keycode : r.keycodes)
        for (const std::uint16_t mask : lockVariants(r.mask))
            cookies.push_back(xcb_grab_key_checked(xcb_.get(), 0, xcb_.root(), mask, keycode, XCB_GRAB_MODE_ASYNC,
                                                   XCB_GRAB_MODE_ASYNC));
    bool allGrabbed = true;
    for (const xcb_void_cookie_t cookie : cookies) {
        XcbReply<xcb_generic_error_t> error(xcb_request_check(xcb_.get(), cookie));
        if (error) allGrabbed = false;  // BadAccess: another client holds it
    }
    readQueuedEventsLater();
    // Releasing a grab that another client holds does nothing, so the lot goes.
    if (!allGrabbed) ungrab(r);
    return allGrabbed;
}

void X11Hotkeys::ungrab(const Registration& r) {
    // Checked, to wait until the server has done it: requests of different
    // clients are not ordered, and another program may grab next.
    std::vector<xcb_void_cookie_t> cookies;
    for (const xcb_keycode_t keycode : r.keycodes)
        for (const std::uint16_t mask : lockVariants(r.mask))
            cookies.push_back(xcb_ungrab_key_checked(xcb_.get(), keycode, xcb_.root(), mask));
    for (const xcb_void_cookie_t cookie : cookies) XcbReply<xcb_generic_error_t>(xcb_request_check(xcb_.get(), cookie));
    readQueuedEventsLater();
}

void X11Hotkeys::readModifierMapping() {
    auto mapping = xcb_.reply(xcb_get_modifier_mapping_reply, xcb_get_modifier_mapping(xcb_.get()));
    if (!mapping || !symbols_) return;
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    // The modifier whose row holds a key of this keysym; `fallback` when none does.
    const auto maskHolding = [&](xcb_keysym_t keysym, std::uint16_t fallback) {
        XcbReply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols_.get(), keysym));
        for (const xcb_keycode_t* code = codes.get(); code != nullptr && *code != XCB_NO_SYMBOL; ++code)
            for (int row = 0; row < 8; ++row)
                for (int i = 0; i < perModifier; ++i)
                    if (keycodes[row * perModifier + i] == *code) return static_cast<std::uint16_t>(1u << row);
        return fallback;
    };
    altMask_ = maskHolding(XK_Alt_L, XCB_MOD_MASK_1);
    superMask_ = maskHolding(XK_Super_L, XCB_MOD_MASK_4);
    numLockMask_ = maskHolding(XK_Num_Lock, XCB_MOD_MASK_2);
}

void X11Hotkeys::readEvents() {
    if (!xcb_.ok()) {
        // A broken connection would wake the notifier for ever.
        notifier_->setEnabled(false);
        return;
    }
    while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(xcb_.get())}) {
        switch (event->response_type & 0x7F) {
            case XCB_KEY_PRESS: onKeyPress(*reinterpret_cast<xcb_key_press_event_t*>(event.get())); break;
            case XCB_MAPPING_NOTIFY: onMappingChanged(reinterpret_cast<xcb_mapping_notify_event_t*>(event.get())); break;
            default: break;  // key releases and errors of unchecked requests
        }
    }
}

void X11Hotkeys::onKeyPress(const xcb_key_press_event_t& event) {
    const auto pressed = static_cast<std::uint16_t>(event.state & ~(XCB_MOD_MASK_LOCK | numLockMask_));
    for (const Registration& r : registrations_) {
        if (r.mask != pressed || std::find(r.keycodes.begin(), r.keycodes.end(), event.detail) == r.keycodes.end())
            continue;
        const auto it = handlers_.find(r.target);
        if (it == handlers_.end()) return;
        // A copy: the handler may unregister or stop listening.
        const Handler handler = it->second;
        handler(r.id);
        return;
    }
}

void X11Hotkeys::onMappingChanged(xcb_mapping_notify_event_t* event) {
    if (event->request == XCB_MAPPING_POINTER) return;
    for (const Registration& r : registrations_) ungrab(r);
    xcb_refresh_keyboard_mapping(symbols_.get(), event);
    readModifierMapping();
    // Grabbed again on the new keycodes; one that another client took
    // meanwhile is lost, as if it had failed to register.
    std::vector<Registration> previous = std::move(registrations_);
    registrations_.clear();
    for (const Registration& r : previous) registerHotKey(r.target, r.id, r.modifiers, r.virtualKey);
}

void X11Hotkeys::readQueuedEventsLater() {
    if (notifier_) QMetaObject::invokeMethod(notifier_.get(), [this] { readEvents(); }, Qt::QueuedConnection);
}

}  // namespace platform
