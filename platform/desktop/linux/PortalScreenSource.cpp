#include "platform/desktop/linux/PortalScreenSource.h"

#include <cstdio>
#include <fstream>
#include <utility>

#include "platform/desktop/linux/PipeWireScreenStream.h"
#include "platform/desktop/linux/PortalScreenReader.h"
#include "platform/desktop/linux/ScreenCastPortal.h"

namespace platform {

namespace {

using Outcome = ScreenCastResult::Outcome;

// The desktop's first picture normally follows the grant within a few
// frames; a recording that starts before it begins black.
constexpr int kFirstPictureCheck_ms = 20;
constexpr int kFirstPictureChecks = 100;

}  // namespace

PortalScreenSource::PortalScreenSource(std::string tokenFile, std::function<bool()> embedCursor)
    : tokenFile_(std::move(tokenFile)), embedCursor_(std::move(embedCursor)) {
    firstPicture_.setInterval(kFirstPictureCheck_ms);
    connect(&firstPicture_, &QTimer::timeout, this, &PortalScreenSource::waitForFirstPicture);
}

PortalScreenSource::~PortalScreenSource() = default;

void PortalScreenSource::prepare(std::function<void()> done) {
    if (ready()) {
        if (done) done();
        return;
    }
    if (done) waiting_.push_back(std::move(done));
    if (asking_) return;  // answered with the request under way
    asking_ = true;
    ask(true);
}

bool PortalScreenSource::ready() const {
    std::lock_guard lock(mutex_);
    return grant_ && grant_->asked == choice_ && grant_->state() == ScreenError::None;
}

std::optional<std::string> PortalScreenSource::sharedWindow() const {
    std::lock_guard lock(mutex_);
    if (!grant_ || !grant_->window) return std::nullopt;
    return grant_->title;
}

ScreenError PortalScreenSource::errorCode() const {
    std::lock_guard lock(mutex_);
    return grant_ ? grant_->state() : code_;
}

std::string PortalScreenSource::error() const {
    std::lock_guard lock(mutex_);
    return grant_ ? grant_->error() : error_;
}

std::unique_ptr<ScreenReader> PortalScreenSource::openReader() {
    std::lock_guard lock(mutex_);
    return std::make_unique<PortalScreenReader>(grant_, code_, error_);
}

void PortalScreenSource::ask(bool withToken) {
    // A new portal session replaces the one the desktop ended, if any.
    portal_ = std::make_unique<ScreenCastPortal>();
    const ScreenChoice asked = choice_;
    // Unknown before the portal was first asked: a portal without windows
    // gives a monitor then.
    const bool windowOffered = offeredTypes_ == 0 || (offeredTypes_ & ScreenCastPortal::kWindow) != 0;
    ScreenCastPortal::Options options;
    options.sourceTypes = ScreenCastPortal::kMonitor;
    options.embedCursor = embedCursor_ && embedCursor_();
    if (asked == ScreenChoice::Window && windowOffered) {
        options.sourceTypes = ScreenCastPortal::kWindow;
        options.keepWindowChoice = false;
    } else if (withToken) {
        options.restoreToken = QString::fromStdString(readToken());
    }
    const bool tokenUsed = !options.restoreToken.isEmpty();
    connect(portal_.get(), &ScreenCastPortal::finished, this,
            [this, asked, tokenUsed] { onPortalFinished(asked, tokenUsed); });
    portal_->start(options);
}

void PortalScreenSource::onPortalFinished(ScreenChoice asked, bool tokenUsed) {
    const ScreenCastResult& result = portal_->result();
    if (result.offeredTypes != 0) offeredTypes_ = result.offeredTypes;
    if (result.outcome == Outcome::Cancelled) {
        settle(nullptr, ScreenError::Refused, "the request was cancelled");
        return;
    }
    if (result.outcome == Outcome::Unavailable) {
        settle(nullptr, ScreenError::NoPortal, result.error.toStdString());
        return;
    }
    if (result.outcome != Outcome::Granted) {
        if (tokenUsed) {
            // The desktop no longer takes the token: forgotten, and the user
            // chooses again. Later, as the portal is still in its signal.
            keepToken({});
            QTimer::singleShot(0, this, [this] { ask(false); });
            return;
        }
        settle(nullptr, ScreenError::Refused, result.error.toStdString());
        return;
    }
    // One source is asked for: the first stream is the one chosen.
    const ScreenCastStream& chosen = result.streams.front();
    // What was asked decides; the stream's own type only where both were
    // (the wlroots portal calls its monitors windows).
    const std::uint32_t selected = result.selectedTypes;
    const bool window = selected == ScreenCastPortal::kWindow ||
                        ((selected & ScreenCastPortal::kWindow) != 0 && chosen.sourceType == ScreenCastPortal::kWindow);
    // The token file restores a monitor; a window's choice is never kept.
    if (!window && !result.restoreToken.isEmpty()) keepToken(result.restoreToken.toStdString());
    granted_ = std::make_shared<PortalGrant>();
    granted_->stream = std::make_shared<PipeWireScreenStream>(portal_->pipeWireFd(), chosen.nodeId);
    granted_->position = chosen.position;
    granted_->width = chosen.width;
    granted_->height = chosen.height;
    granted_->asked = asked;
    granted_->window = window;
    granted_->title = chosen.title.toStdString();
    connect(portal_.get(), &ScreenCastPortal::closed, this,
            [grant = std::weak_ptr<PortalGrant>(granted_)] {
                if (const auto g = grant.lock()) g->closed = true;
            });
    firstPictureChecks_ = 0;
    firstPicture_.start();
}

void PortalScreenSource::waitForFirstPicture() {
    const bool pictured = granted_->stream->frameNumber() > 0;
    const ScreenError state = granted_->state();
    if (!pictured && state == ScreenError::None && ++firstPictureChecks_ < kFirstPictureChecks) return;
    firstPicture_.stop();
    auto grant = std::move(granted_);
    if (state != ScreenError::None) settle(nullptr, state, grant->error());
    else settle(std::move(grant), ScreenError::None, {});
}

void PortalScreenSource::settle(std::shared_ptr<PortalGrant> grant, ScreenError code, std::string why) {
    {
        std::lock_guard lock(mutex_);
        grant_ = std::move(grant);
        code_ = code;
        error_ = std::move(why);
    }
    asking_ = false;
    const auto callers = std::exchange(waiting_, {});
    for (const auto& done : callers) done();
}

std::string PortalScreenSource::readToken() const {
    std::string token;
    if (tokenFile_.empty()) return token;
    std::ifstream in(tokenFile_);
    std::getline(in, token);
    return token;
}

void PortalScreenSource::keepToken(const std::string& token) const {
    if (tokenFile_.empty()) return;
    if (token.empty()) {
        std::remove(tokenFile_.c_str());
        return;
    }
    std::ofstream(tokenFile_, std::ios::trunc) << token << '\n';
}

}  // namespace platform
