#pragma once

#include <QImage>
#include <QWidget>

#include "platform/media/MediaType.h"

namespace platform {

// The child window a video renderer draws into: the latest frame, scaled to
// the widget's size with its aspect ratio kept, black around it. UI thread.
class VideoRendererWidget : public QWidget {
public:
    explicit VideoRendererWidget(QWidget* owner);

    // Shows `sample`, a frame of `format`; it is kept until the next one.
    void showFrame(SamplePtr sample, const VideoFormat& format);
    const SamplePtr& frame() const { return sample_; }
    // Where the frame is drawn in a widget of this size.
    static QRect fittedRect(const QSize& frame, const QSize& widget);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SamplePtr sample_;
    QImage image_;  // a view of sample_'s pixels, no copy
};

}  // namespace platform
