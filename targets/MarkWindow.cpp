#include "targets/MarkWindow.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <cstdlib>

#include "platform/core/DiagnosticLog.h"
#include "platform/core/Format.h"
#include "platform/desktop/DialogUnits.h"
#include "platform/desktop/Windows.h"

namespace talvora {

namespace {

constexpr int kWidthDlu = 199;
constexpr int kHeightDlu = 135;
constexpr int kButtonWidthDlu = 41;
constexpr int kButtonHeightDlu = 13;
constexpr double kOpacity = 200.0 / 255.0;
// The window manager adds its frame a moment after the window is shown.
constexpr int kFitPoll_ms = 10;
constexpr int kFitAttempts = 100;

}  // namespace

MarkWindow::MarkWindow(const platform::Rect& frame, Events& events, platform::Windows& windows,
                       platform::DiagnosticLog& log)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint), events_(events), windows_(windows), frame_(frame) {
    resize(platform::dialogUnitsToPixelsX(kWidthDlu), platform::dialogUnitsToPixelsY(kHeightDlu));
    const QSize buttonSize(platform::dialogUnitsToPixelsX(kButtonWidthDlu),
                           platform::dialogUnitsToPixelsY(kButtonHeightDlu));
    const auto makeButton = [&](const char* text, int id, int topDlu) {
        auto* button = new QPushButton(text, this);
        button->setGeometry(0, platform::dialogUnitsToPixelsY(topDlu), buttonSize.width(), buttonSize.height());
        connect(button, &QPushButton::clicked, this, [this, id] {
            if (!dismissed_) events_.onFrameButton(id);
        });
        return button;
    };
    record_ = makeButton("Record", kRecord, 0);
    retry_ = makeButton("Retry", kRetry, 15);
    accept_ = makeButton("Accept", kAccept, 30);

    setWindowTitle("MOVE/SIZE THIS WINDOW TO COVER SELECTED AREA");
    setGeometry(frame.left, frame.top, std::max(1, std::abs(frame.right - frame.left)),
                std::max(1, std::abs(frame.bottom - frame.top)));
    log.append(platform::format("\r\nx11=%d y11=%d x22=%d y22=%d", frame.left, frame.top, frame.right, frame.bottom));
    show();
    raise();
    activateWindow();
    QFont bold("arial");
    bold.setPixelSize(18);
    bold.setWeight(QFont::Bold);
    for (QPushButton* b : {record_, retry_, accept_}) b->setFont(bold);
    // Translucent where a compositing manager runs; opaque otherwise.
    setWindowOpacity(kOpacity);

    connect(&fitTimer_, &QTimer::timeout, this, &MarkWindow::fitFrame);
    fitTimer_.start(kFitPoll_ms);
    fitFrame();
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, [this] {
        timer_.stop();
        events_.onFrameFirstTick();
    });
    timer_.start();
}

QPushButton* MarkWindow::button(int id) const {
    switch (id) {
        case kRecord: return record_;
        case kRetry: return retry_;
        case kAccept: return accept_;
        default: return nullptr;
    }
}

platform::Rect MarkWindow::windowRect() const {
    // Qt learns of a move by the window manager only later; the server knows.
    const platform::Rect onScreen = windows_.rect(static_cast<platform::WindowId>(winId()));
    if (onScreen.width() > 0 && onScreen.height() > 0) return onScreen;
    const QRect g = frameGeometry();
    return {g.x(), g.y(), g.x() + g.width(), g.y() + g.height()};
}

void MarkWindow::dismiss() {
    dismissed_ = true;
    timer_.stop();
    fitTimer_.stop();
    hide();
}

void MarkWindow::fitFrame() {
    // Once the frame is known, size the window so that its outer edges, not
    // its client area, lie on the requested rectangle.
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    const int left = inner.x() - outer.x();
    const int top = inner.y() - outer.y();
    const int right = outer.width() - inner.width() - left;
    const int bottom = outer.height() - inner.height() - top;
    if (left == 0 && top == 0 && right == 0 && bottom == 0) {
        if (++fitAttempts_ >= kFitAttempts) fitTimer_.stop();
        return;
    }
    fitTimer_.stop();
    const int width = std::abs(frame_.right - frame_.left) - left - right;
    const int height = std::abs(frame_.bottom - frame_.top) - top - bottom;
    setGeometry(frame_.left + left, frame_.top + top, std::max(1, width), std::max(1, height));
}

void MarkWindow::layOutButtons() {
    const int h = record_->height();
    record_->move(4, 4);
    retry_->move(4, h + 6);
    accept_->move(4, 2 * h + 8);
}

void MarkWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOutButtons();
    if (!dismissed_) events_.onFrameSized(windowRect());
}

void MarkWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (!dismissed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        events_.onFrameClicked();
}

void MarkWindow::closeEvent(QCloseEvent* event) {
    // Only the owner destroys the frame; a hidden frame left behind would
    // keep the recorder marking.
    event->ignore();
    if (!dismissed_) events_.onFrameClosed();
}

}  // namespace talvora
