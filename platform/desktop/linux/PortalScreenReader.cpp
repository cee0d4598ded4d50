#include "platform/desktop/linux/PortalScreenReader.h"

#include <utility>

#include "platform/desktop/linux/PipeWireScreenStream.h"
#include "platform/desktop/linux/PixelCopy.h"
#include "platform/desktop/linux/SharedMonitor.h"
#include "platform/desktop/linux/X11Display.h"
#include "platform/desktop/linux/X11ScreenReader.h"

namespace platform {

ScreenError PortalGrant::state() const {
    if (closed) return ScreenError::EndedByDesktop;
    switch (stream->state()) {
        case PipeWireScreenStream::State::Ended: return ScreenError::EndedByDesktop;
        case PipeWireScreenStream::State::Failed: return ScreenError::ReadFailed;
        case PipeWireScreenStream::State::Unreachable: return ScreenError::NoPipeWire;
        default: return ScreenError::None;
    }
}

std::string PortalGrant::error() const {
    if (closed) return "the desktop stopped sharing the screen";
    const std::string why = stream->error();
    if (state() == ScreenError::EndedByDesktop)
        return why.empty() ? "the desktop stopped sharing the screen" : "the desktop stopped sharing the screen: " + why;
    return why;
}

PortalScreenReader::PortalScreenReader(std::shared_ptr<const PortalGrant> grant, ScreenError code, std::string why)
    : grant_(std::move(grant)), code_(grant_ ? ScreenError::None : code), error_(grant_ ? std::string() : why) {}

PortalScreenReader::~PortalScreenReader() = default;

bool PortalScreenReader::read(const ScreenArea& area, ImageView frame) {
    if (code_ != ScreenError::None) return false;
    if (const ScreenError state = grant_->state(); state != ScreenError::None) {
        code_ = state;
        error_ = grant_->error();
        return false;
    }
    if (grant_->window) {
        if (grant_->stream->copyFitted(frame, scaled_) == 0) fillBlackOutside(frame, Rect{});
        return true;
    }
    if (area.windowContents) {
        if (!windows_) windows_ = std::make_unique<X11ScreenReader>();
        if (windows_->readWindowContents(area, frame)) return true;
    }
    if (!monitor_) monitor_ = locateMonitor();
    if (!monitor_) {
        fillBlackOutside(frame, Rect{});
        return true;
    }
    const Point at{monitor_->left, monitor_->top};
    const Rect inMonitor{area.rect.left - at.x, area.rect.top - at.y, area.rect.right - at.x,
                         area.rect.bottom - at.y};
    const PipeWireScreenStream::Size whole{monitor_->width(), monitor_->height()};
    if (grant_->stream->copyScaled(inMonitor, whole, frame, scaled_) == 0) fillBlackOutside(frame, Rect{});
    return true;
}

std::optional<Rect> PortalScreenReader::locateMonitor() const {
    const PipeWireScreenStream::Size size = grant_->stream->frameSize();
    if (size.width <= 0 || size.height <= 0) return std::nullopt;
    std::vector<Rect> rootMonitors;
    for (const Monitor& monitor : X11Display().monitors()) rootMonitors.push_back(monitor.monitor);
    return locateSharedMonitor({grant_->position, grant_->width, grant_->height, size.width, size.height},
                               rootMonitors);
}

}  // namespace platform
