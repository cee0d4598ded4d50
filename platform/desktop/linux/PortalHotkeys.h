#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <map>

#include "platform/desktop/Hotkeys.h"

namespace platform {

class PortalRequest;

// Hotkeys through the desktop portal's global shortcuts (org.freedesktop.
// portal.GlobalShortcuts), which reach this program whichever window has the
// focus on a Wayland desktop. All registered combinations are bound at once,
// a moment after the last change, in a session of their own (a portal may
// bind only once per session): each change opens a new session with the
// whole set and closes the old one. The desktop may let the user choose
// other keys; the combination is only the preferred trigger.
//
// A registration fails at once when the key has no name for the desktop or
// another id holds the combination. The desktop answers later: a refusal,
// or a shortcut it left out, is told to `refused` with the reason.
// UI thread only.
class PortalHotkeys : public QObject, public Hotkeys {
    Q_OBJECT
public:
    // What each hotkey id is called and what it does, for the desktop's list.
    struct Shortcut {
        QString name;
        QString description;
    };
    using Refused = std::function<void(const QString& why)>;

    // Whether the desktop's portal offers global shortcuts (its interface's
    // version answers within `timeout_ms`).
    static bool offered(const QDBusConnection& bus, int timeout_ms);

    PortalHotkeys(std::map<int, Shortcut> shortcuts, Refused refused,
                  QDBusConnection bus = QDBusConnection::sessionBus());
    ~PortalHotkeys() override;
    PortalHotkeys(const PortalHotkeys&) = delete;
    PortalHotkeys& operator=(const PortalHotkeys&) = delete;

    bool registerHotKey(WindowId target, int id, int modifiers, int virtualKey) override;
    bool unregisterHotKey(WindowId target, int id) override;
    void listen(WindowId target, Handler handler) override;

private slots:
    // Activated(o session_handle, s shortcut_id, t timestamp, a{sv} options);
    // read from the message, as Qt does not connect a typed slot to it.
    void onActivated(const QDBusMessage& message);

private:
    struct Registration {
        WindowId target;
        QString trigger;  // in the desktop's shortcut format, e.g. "CTRL+F9"
    };

    void bindLater();
    // Closes the session and opens one that binds what is registered now.
    void rebind();
    void bind(const QString& session);
    void checkBound(const QVariantMap& results);
    void closeSession();
    QString nameOf(int id) const;

    QDBusConnection bus_;
    std::map<int, Shortcut> shortcuts_;
    Refused refused_;
    std::map<int, Registration> registrations_;
    std::map<int, Registration> bound_;  // what the current session binds
    std::map<WindowId, Handler> handlers_;
    QString session_;
    QPointer<PortalRequest> request_;
    bool bindQueued_ = false;
};

}  // namespace platform
