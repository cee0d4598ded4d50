#include "platform/desktop/linux/ScreenCastPortal.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <utility>

#include "platform/desktop/linux/PortalRequest.h"

namespace platform {

namespace {

using Outcome = ScreenCastResult::Outcome;

const QString& kService = kPortalService;
const QString& kPath = kPortalPath;
const QString kScreenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");
const QString kSession = QStringLiteral("org.freedesktop.portal.Session");
constexpr int kCallTimeoutMs = kPortalCallTimeoutMs;
// ScreenCast's cursor modes and persist modes.
constexpr std::uint32_t kCursorHidden = 1;
constexpr std::uint32_t kCursorEmbedded = 2;
constexpr std::uint32_t kPersistUntilRevoked = 2;
// Restore tokens and persist modes came with version 4 of the interface.
constexpr std::uint32_t kRestoreVersion = 4;

// Reads a D-Bus (ii) structure.
void readPair(const QVariant& value, int& first, int& second) {
    if (value.userType() != qMetaTypeId<QDBusArgument>()) return;
    const auto argument = value.value<QDBusArgument>();
    argument.beginStructure();
    argument >> first >> second;
    argument.endStructure();
}

QString stepName(const QString& method, const QString& why) { return method + QStringLiteral(": ") + why; }

// The bus's and the portal's answers to a portal that is not there, or has
// no ScreenCast interface (GDBus answers a property read of an unknown
// interface with InvalidArgs).
bool portalMissing(const QString& error) {
    static const QStringList missing{
        QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"),
        QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
        QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
    };
    return missing.contains(error);
}

}  // namespace

ScreenCastPortal::ScreenCastPortal(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(std::move(bus)) {}

ScreenCastPortal::~ScreenCastPortal() {
    step_ = Step::Done;  // no finished() from a dying object
    close();
}

void ScreenCastPortal::start(const Options& options) {
    if (step_ != Step::Idle) return;
    options_ = options;
    if (!bus_.isConnected()) {
        // Later, so that finished() reaches a caller connecting after start().
        step_ = Step::Types;
        QTimer::singleShot(0, this, [this] { finish(Outcome::Unavailable, QStringLiteral("no session bus")); });
        return;
    }
    readAvailableTypes();
}

bool ScreenCastPortal::waitForFinished(int timeout_ms) {
    if (result_.outcome == Outcome::Pending) {
        QEventLoop loop;
        connect(this, &ScreenCastPortal::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return result_.outcome != Outcome::Pending;
}

int ScreenCastPortal::pipeWireFd() const {
    return result_.outcome == Outcome::Granted && pipeWire_.isValid() ? pipeWire_.fileDescriptor()
                                                                                      : -1;
}

void ScreenCastPortal::close() {
    if (step_ != Step::Idle && step_ != Step::Done) finish(Outcome::Cancelled, QStringLiteral("closed"));
    if (sessionPath_.isEmpty()) return;
    bus_.disconnect(kService, sessionPath_, kSession, QStringLiteral("Closed"), this,
                    SLOT(onSessionClosed(QVariantMap)));
    // Not waited for: the portal ends the session's streams on its own time.
    bus_.send(QDBusMessage::createMethodCall(kService, sessionPath_, kSession, QStringLiteral("Close")));
    sessionPath_.clear();
    pipeWire_ = QDBusUnixFileDescriptor();
}

void ScreenCastPortal::readAvailableTypes() {
    step_ = Step::Types;
    auto call = QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                               QStringLiteral("GetAll"));
    call.setArguments({kScreenCast});
    watch(new QDBusPendingCallWatcher(bus_.asyncCall(call, kCallTimeoutMs), this), [this](const QDBusMessage& reply) {
        const auto properties = qdbus_cast<QVariantMap>(reply.arguments().value(0));
        availableTypes_ = properties.value(QStringLiteral("AvailableSourceTypes")).toUInt();
        result_.offeredTypes = availableTypes_;
        cursorModes_ = properties.value(QStringLiteral("AvailableCursorModes")).toUInt();
        version_ = properties.value(QStringLiteral("version")).toUInt();
        if (availableTypes_ == 0) {
            finish(Outcome::Unavailable, QStringLiteral("the desktop offers nothing to share"));
            return;
        }
        createSession();
    });
}

void ScreenCastPortal::createSession() {
    request(Step::CreateSession, QStringLiteral("CreateSession"),
            {QVariantMap{{QStringLiteral("session_handle_token"), PortalRequest::newToken()}}});
}

void ScreenCastPortal::selectSources() {
    std::uint32_t types = options_.sourceTypes & availableTypes_;
    if (types == 0) types = availableTypes_ & kMonitor ? kMonitor : availableTypes_;
    result_.selectedTypes = types;
    QVariantMap choices{{QStringLiteral("types"), types}, {QStringLiteral("multiple"), false}};
    const std::uint32_t cursor = options_.embedCursor ? kCursorEmbedded : kCursorHidden;
    // A mode the portal does not offer fails the request: leave it to the portal.
    if (cursorModes_ & cursor) choices.insert(QStringLiteral("cursor_mode"), cursor);
    // A portal without windows gives a monitor, whose choice is kept.
    if (version_ >= kRestoreVersion && (options_.keepWindowChoice || (types & kWindow) == 0)) {
        choices.insert(QStringLiteral("persist_mode"), kPersistUntilRevoked);
        if (!options_.restoreToken.isEmpty()) choices.insert(QStringLiteral("restore_token"), options_.restoreToken);
    }
    request(Step::SelectSources, QStringLiteral("SelectSources"),
            {QVariant::fromValue(QDBusObjectPath(sessionPath_)), choices});
}

void ScreenCastPortal::startCast() {
    request(Step::Start, QStringLiteral("Start"),
            {QVariant::fromValue(QDBusObjectPath(sessionPath_)), QString(), QVariantMap{}});
}

void ScreenCastPortal::openRemote() {
    step_ = Step::OpenRemote;
    auto call = QDBusMessage::createMethodCall(kService, kPath, kScreenCast, QStringLiteral("OpenPipeWireRemote"));
    call.setArguments({QVariant::fromValue(QDBusObjectPath(sessionPath_)), QVariantMap{}});
    watch(new QDBusPendingCallWatcher(bus_.asyncCall(call, kCallTimeoutMs), this), [this](const QDBusMessage& reply) {
        pipeWire_ = qdbus_cast<QDBusUnixFileDescriptor>(reply.arguments().value(0));
        if (!pipeWire_.isValid()) {
            finish(Outcome::Failed, QStringLiteral("OpenPipeWireRemote: no remote"));
            return;
        }
        finish(Outcome::Granted);
    });
}

void ScreenCastPortal::request(Step step, const QString& method, QList<QVariant> arguments) {
    step_ = step;
    method_ = method;
    request_ = new PortalRequest(
        bus_, kScreenCast, method, std::move(arguments),
        [this](uint response, const QVariantMap& results) { onResponse(response, results); },
        [this](const QString& error) { finish(Outcome::Failed, stepName(method_, error)); }, this);
}

void ScreenCastPortal::watch(QDBusPendingCallWatcher* watcher, std::function<void(const QDBusMessage&)> onReply) {
    const Step step = step_;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, step, onReply = std::move(onReply)](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (step_ != step) return;  // closed meanwhile
                const QDBusMessage reply = finished->reply();
                if (reply.type() == QDBusMessage::ErrorMessage) {
                    // The first call finds out whether there is a portal at all.
                    if (step == Step::Types) {
                        finish(portalMissing(reply.errorName()) ? Outcome::Unavailable : Outcome::Failed,
                               stepName(QStringLiteral("ScreenCast"), reply.errorMessage()));
                        return;
                    }
                    finish(Outcome::Failed, stepName(method_, reply.errorMessage()));
                    return;
                }
                onReply(reply);
            });
}

void ScreenCastPortal::onResponse(uint response, const QVariantMap& results) {
    if (response == 1) {
        finish(Outcome::Cancelled);
        return;
    }
    if (response != 0) {
        const QString why = QStringLiteral("the desktop refused (%1)").arg(response);
        finish(Outcome::Failed, stepName(method_, why));
        return;
    }
    switch (step_) {
        case Step::CreateSession:
            sessionPath_ = results.value(QStringLiteral("session_handle")).toString();
            if (sessionPath_.isEmpty()) {
                finish(Outcome::Failed, stepName(method_, QStringLiteral("no session")));
                return;
            }
            bus_.connect(kService, sessionPath_, kSession, QStringLiteral("Closed"), this,
                         SLOT(onSessionClosed(QVariantMap)));
            selectSources();
            break;
        case Step::SelectSources:
            startCast();
            break;
        case Step::Start:
            result_.streams = parseStreams(results.value(QStringLiteral("streams")));
            result_.restoreToken = results.value(QStringLiteral("restore_token")).toString();
            if (result_.streams.empty()) {
                finish(Outcome::Failed, stepName(method_, QStringLiteral("no stream")));
                return;
            }
            openRemote();
            break;
        default:
            break;
    }
}

void ScreenCastPortal::onSessionClosed(const QVariantMap&) {
    bus_.disconnect(kService, sessionPath_, kSession, QStringLiteral("Closed"), this,
                    SLOT(onSessionClosed(QVariantMap)));
    sessionPath_.clear();
    if (step_ != Step::Done) {
        finish(Outcome::Failed, QStringLiteral("the desktop closed the session"));
        return;
    }
    emit closed();
}

void ScreenCastPortal::finish(ScreenCastResult::Outcome outcome, const QString& error) {
    if (step_ == Step::Done) return;
    if (request_) request_->cancel();
    step_ = Step::Done;
    result_.outcome = outcome;
    result_.error = error;
    if (outcome != Outcome::Granted) {
        result_.streams.clear();
        close();
    }
    emit finished();
}

std::vector<ScreenCastStream> ScreenCastPortal::parseStreams(const QVariant& value) {
    std::vector<ScreenCastStream> streams;
    if (value.userType() != qMetaTypeId<QDBusArgument>()) return streams;
    const auto argument = value.value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        ScreenCastStream stream;
        uint node = 0;
        QVariantMap properties;
        argument.beginStructure();
        argument >> node >> properties;
        argument.endStructure();
        stream.nodeId = node;
        stream.sourceType = properties.value(QStringLiteral("source_type")).toUInt();
        readPair(properties.value(QStringLiteral("position")), stream.position.x, stream.position.y);
        readPair(properties.value(QStringLiteral("size")), stream.width, stream.height);
        stream.title = properties.value(QStringLiteral("title")).toString();
        streams.push_back(stream);
    }
    argument.endArray();
    return streams;
}

}  // namespace platform
