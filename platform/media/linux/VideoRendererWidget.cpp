#include "platform/media/linux/VideoRendererWidget.h"

#include <QPainter>

#include <utility>

namespace platform {

VideoRendererWidget::VideoRendererWidget(QWidget* owner) : QWidget(owner) {
    // Every pixel is painted each time: Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void VideoRendererWidget::showFrame(SamplePtr sample, const VideoFormat& format) {
    const std::size_t needed = static_cast<std::size_t>(sample ? sample->stride : 0) * format.height;
    if (!sample || format.width <= 0 || format.height <= 0 || sample->data.size() < needed) return;
    // BGRX with an opaque fourth byte is Qt's RGB32 on a little-endian host.
    const QImage::Format qtFormat = format.bitsPerPixel == 24 ? QImage::Format_BGR888 : QImage::Format_RGB32;
    image_ = QImage(sample->data.data(), format.width, format.height, sample->stride, qtFormat);
    sample_ = std::move(sample);
    update();
}

QRect VideoRendererWidget::fittedRect(const QSize& frame, const QSize& widget) {
    if (frame.isEmpty() || widget.isEmpty()) return {};
    const QSize fitted = frame.scaled(widget, Qt::KeepAspectRatio);
    return {QPoint((widget.width() - fitted.width()) / 2, (widget.height() - fitted.height()) / 2), fitted};
}

void VideoRendererWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect target = fittedRect(image_.size(), size());
    if (target.isEmpty()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // Black bars only where the frame does not cover the widget.
    const QRegion bars = QRegion(rect()).subtracted(target);
    for (const QRect& bar : bars) painter.fillRect(bar, Qt::black);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image_);
}

}  // namespace platform
