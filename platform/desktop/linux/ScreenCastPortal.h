#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/desktop/Geometry.h"

class QDBusPendingCallWatcher;
class QDBusMessage;

namespace platform {

class PortalRequest;

// One picture stream the desktop shares, as its portal describes it.
struct ScreenCastStream {
    std::uint32_t nodeId = 0;  // the PipeWire node to connect to
    Point position;            // of a monitor in the desktop's layout; 0,0 when not given
    int width = 0;             // 0 when not given
    int height = 0;
    std::uint32_t sourceType = 0;  // ScreenCastPortal::kMonitor or kWindow; 0 when not given
    // The shared window's title: not a standard property, so empty from
    // portals that give none.
    QString title;
};

struct ScreenCastResult {
    // Unavailable: no portal on the bus, or one without screen casts.
    enum class Outcome { Pending, Granted, Cancelled, Failed, Unavailable };
    Outcome outcome = Outcome::Pending;
    QString error;  // with Failed and Unavailable: which step and why
    std::vector<ScreenCastStream> streams;
    QString restoreToken;  // a new token to keep; empty when the portal gave none
    std::uint32_t offeredTypes = 0;   // the portal's AvailableSourceTypes; 0 before it was read
    std::uint32_t selectedTypes = 0;  // the types asked for, of those offered
};

// A screen-cast session of the desktop portal (org.freedesktop.portal.
// ScreenCast): CreateSession, SelectSources, Start and OpenPipeWireRemote in
// turn, each request answered later by a Response signal on a request path
// made from our own handle token (subscribed before the call, so that a fast
// answer is not missed). Nothing blocks: start() returns at once and
// finished() is emitted once with result(). A granted session stays open,
// with the PipeWire remote in pipeWireFd(), until close() or destruction;
// closed() tells that the desktop ended it. Knows nothing of frames.
// UI thread (or another thread with an event loop) only.
class ScreenCastPortal : public QObject {
    Q_OBJECT
public:
    // Source types, as the portal counts them.
    static constexpr std::uint32_t kMonitor = 1;
    static constexpr std::uint32_t kWindow = 2;

    struct Options {
        std::uint32_t sourceTypes = kMonitor;  // asked for where the portal offers them
        bool embedCursor = false;              // the cursor drawn into the pictures, else hidden
        QString restoreToken;                  // of an earlier session: no new choice
        bool keepWindowChoice = true;          // false: a window's choice gets no restore token
    };

    explicit ScreenCastPortal(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~ScreenCastPortal() override;
    ScreenCastPortal(const ScreenCastPortal&) = delete;
    ScreenCastPortal& operator=(const ScreenCastPortal&) = delete;

    // Asks for a session; once per object.
    void start(const Options& options);
    // Turns a local event loop until finished() or `timeout_ms` pass; false
    // on the timeout. For callers that must wait for the answer.
    bool waitForFinished(int timeout_ms);
    const ScreenCastResult& result() const { return result_; }
    // With Granted: the PipeWire remote for the streams, owned here (dup it
    // to keep it); -1 otherwise.
    int pipeWireFd() const;
    // Ends the session; the desktop stops its streams.
    void close();

signals:
    void finished();
    // The desktop ended a granted session (the user stopped sharing).
    void closed();

private slots:
    void onSessionClosed(const QVariantMap& details);

private:
    enum class Step { Idle, Types, CreateSession, SelectSources, Start, OpenRemote, Done };

    void readAvailableTypes();
    void createSession();
    void selectSources();
    void startCast();
    void openRemote();
    // Calls METHOD of the ScreenCast interface as a request of step `step`;
    // its Response reaches onResponse().
    void request(Step step, const QString& method, QList<QVariant> arguments);
    void onResponse(uint response, const QVariantMap& results);
    // Hands the reply of a call of the current step to `onReply`; an error
    // reply fails the session, a reply after the step has passed is dropped.
    void watch(QDBusPendingCallWatcher* watcher, std::function<void(const QDBusMessage&)> onReply);
    void finish(ScreenCastResult::Outcome outcome, const QString& error = {});
    static std::vector<ScreenCastStream> parseStreams(const QVariant& streams);

    QDBusConnection bus_;
    Options options_;
    Step step_ = Step::Idle;
    std::uint32_t availableTypes_ = 0;
    std::uint32_t cursorModes_ = 0;
    std::uint32_t version_ = 0;
    QString method_;       // of the current request, for messages
    QPointer<PortalRequest> request_;  // the one awaiting its Response
    QString sessionPath_;
    QDBusUnixFileDescriptor pipeWire_;
    ScreenCastResult result_;
};

}  // namespace platform
