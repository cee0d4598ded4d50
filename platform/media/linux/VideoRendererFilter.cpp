#include "platform/media/linux/VideoRendererFilter.h"

#include <QMetaObject>
#include <QWidget>

#include "platform/media/MediaErrors.h"

namespace platform {

VideoRendererFilter::VideoRendererFilter(std::string classId)
    : Filter(std::move(classId)), input_(addPin("Input", PinDirection::Input)), uiContext_(std::make_unique<QObject>()) {}

VideoRendererFilter::~VideoRendererFilter() {
    // The owner may already have deleted the widget; QPointer knows.
    delete widget_.data();
}

HRESULT VideoRendererFilter::acceptType(Pin&, const MediaType& type) {
    const VideoFormat& v = type.video;
    const bool ok = type.major == MajorType::Video && v.width > 0 && v.height > 0 &&
                    (v.bitsPerPixel == 24 || v.bitsPerPixel == 32);
    return ok ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

void VideoRendererFilter::receive(Pin&, const SamplePtr& sample) {
    // While the window is hidden nothing can be seen: only every eighth frame
    // goes to the UI thread then, to notice when it is shown again.
    constexpr std::int64_t kHiddenCheckEvery = 8;
    const std::int64_t number = ++received_;
    if (!hasOwner_ || (unseen_ && number % kHiddenCheckEvery != 0)) {
        ++dropped_;
        return;
    }
    if (latest_.put(sample)) QMetaObject::invokeMethod(uiContext_.get(), [this] { present(); }, Qt::QueuedConnection);
}

void VideoRendererFilter::present() {
    SamplePtr sample = latest_.take();
    if (!sample || !widget_) return;
    widget_->showFrame(std::move(sample), input_.mediaType().video);
    ++drawn_;
    // Auto-show: the window appears with the first frame of a run.
    if (autoShow_ && !shownThisRun_) {
        shownThisRun_ = true;
        visible_ = true;
        widget_->show();
    }
    unseen_ = !widget_->isVisible();
}

HRESULT VideoRendererFilter::changeState(FilterState from, FilterState, StreamClock&) {
    if (from == FilterState::Stopped) shownThisRun_ = false;
    return S_OK;
}

HRESULT VideoRendererFilter::setOwner(WindowId owner) {
    QWidget* ownerWidget = nullptr;
    if (owner != 0) {
        ownerWidget = QWidget::find(static_cast<WId>(owner));
        if (ownerWidget == nullptr) return E_INVALIDARG;
        if (widget_ && widget_->parentWidget() == ownerWidget) return S_OK;
    }
    hasOwner_ = false;
    delete widget_.data();
    if (ownerWidget == nullptr) return S_OK;
    widget_ = new VideoRendererWidget(ownerWidget);
    if (!position_.isNull()) widget_->setGeometry(position_);
    widget_->setVisible(visible_);
    unseen_ = false;
    hasOwner_ = true;
    return S_OK;
}

HRESULT VideoRendererFilter::setAutoShow(bool on) {
    autoShow_ = on;
    return S_OK;
}

HRESULT VideoRendererFilter::setVisible(bool visible) {
    visible_ = visible;
    unseen_ = false;  // seen again at the next drawing
    if (widget_) widget_->setVisible(visible);
    return S_OK;
}

HRESULT VideoRendererFilter::setWindowPosition(int left, int top, int width, int height) {
    if (width < 0 || height < 0) return E_INVALIDARG;
    position_ = QRect(left, top, width, height);
    if (widget_) widget_->setGeometry(position_);
    return S_OK;
}

HRESULT VideoRendererFilter::setForeground() {
    if (widget_) widget_->raise();
    return S_OK;
}

std::vector<std::pair<std::string, std::string>> VideoRendererFilter::properties() const {
    return {{"Frames received", std::to_string(received_)},
            {"Frames drawn", std::to_string(drawn_)},
            {"Frames dropped (no window or hidden)", std::to_string(dropped_)},
            {"Frames replaced before drawing", std::to_string(latest_.replaced())}};
}

}  // namespace platform
