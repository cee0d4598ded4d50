#pragma once

#include <QObject>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/desktop/ScreenSource.h"

namespace platform {

class ScreenCastPortal;
struct PortalGrant;

// The screen of a Wayland desktop, which hands it out only through its
// screen-cast portal: prepare() asks for a monitor (the user may be asked to
// choose), then takes the PipeWire stream the desktop shares. The portal's
// restore token is kept in a file of its own, so that the next session (and
// the next start of the program) asks nothing; a token the desktop no longer
// takes is forgotten and the user asked again. When the desktop stops
// sharing, the source is no longer ready and the next prepare() asks anew.
// A window is asked for where the portal offers windows (else a monitor);
// its choice gets no restore token, as a meeting's window lives for one
// meeting: a restored choice would name a window long gone.
// prepare(), choose() and the portal on the UI thread; the rest on any thread.
class PortalScreenSource : public QObject, public ScreenSource {
public:
    // `tokenFile`: where the restore token is kept (empty: nowhere).
    // `embedCursor`: asked at each request, whether the desktop draws the
    // mouse pointer into the pictures; the stream keeps what it was asked
    // with until the desktop is asked again.
    PortalScreenSource(std::string tokenFile, std::function<bool()> embedCursor);
    ~PortalScreenSource() override;
    PortalScreenSource(const PortalScreenSource&) = delete;
    PortalScreenSource& operator=(const PortalScreenSource&) = delete;

    void prepare(std::function<void()> done) override;
    bool ready() const override;
    ScreenError errorCode() const override;
    std::string error() const override;
    std::unique_ptr<ScreenReader> openReader() override;
    bool sharesChosenWindows() const override { return true; }
    void choose(ScreenChoice choice) override { choice_ = choice; }
    std::optional<std::string> sharedWindow() const override;

private:
    void ask(bool withToken);
    void onPortalFinished(ScreenChoice asked, bool withToken);
    void waitForFirstPicture();
    // Ends a request: the source's state, then every caller's `done`.
    void settle(std::shared_ptr<PortalGrant> grant, ScreenError code, std::string why);
    std::string readToken() const;
    void keepToken(const std::string& token) const;

    const std::string tokenFile_;
    const std::function<bool()> embedCursor_;
    std::unique_ptr<ScreenCastPortal> portal_;  // UI thread
    std::vector<std::function<void()>> waiting_;  // UI thread: callers of a prepare under way
    bool asking_ = false;                         // UI thread
    std::shared_ptr<PortalGrant> granted_;        // UI thread: waiting for its first picture
    QTimer firstPicture_;
    int firstPictureChecks_ = 0;
    std::uint32_t offeredTypes_ = 0;  // UI thread: what the portal offered when last asked; 0 before
    std::atomic<ScreenChoice> choice_{ScreenChoice::Monitor};

    mutable std::mutex mutex_;
    std::shared_ptr<PortalGrant> grant_;  // null until granted
    ScreenError code_ = ScreenError::Refused;
    std::string error_ = "the desktop has not been asked yet";
};

}  // namespace platform
