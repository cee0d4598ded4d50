#include "ui/MaxiClientArea.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace talvora {

namespace {
constexpr int kTipLimit = 9999;
const QColor kTitleBar(1, 160, 208);
const QColor kTipColour(0, 255, 0);
}  // namespace

MaxiTitleArea maxiTitleAreaAt(QPoint p, double s) {
    if (p.y() < 4 * s || p.y() > 20 * s) return MaxiTitleArea::None;
    const double x = p.x();
    if (x >= 490 * s && x <= 505 * s) return MaxiTitleArea::Close;
    if (x >= 467 * s && x <= 481 * s) return MaxiTitleArea::Minimize;
    if (x >= 40 * s && x <= 460 * s) return MaxiTitleArea::Drag;
    return MaxiTitleArea::None;
}

MaxiClientArea::MaxiClientArea(double s, QWidget* parent) : QWidget(parent), s_(s) {}

void MaxiClientArea::setTipText(const QString& text) {
    tip_ = text.left(kTipLimit);
    tipSet_ = true;
    update();
}

void MaxiClientArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int barHeight = static_cast<int>(24 * s_);
    painter.fillRect(0, 0, width(), barHeight, kTitleBar);
    const auto picture = [&](const char* name, int left, int right) {
        const QRect place(static_cast<int>(left * s_), static_cast<int>(4 * s_), static_cast<int>((right - left) * s_),
                          static_cast<int>(16 * s_));
        painter.drawPixmap(place, QPixmap(QString(":/pictures/") + name));
    };
    picture("top_mini", 467, 481);
    picture("top_close", 490, 505);

    QLinearGradient gradient(0, 0, width(), 0);
    gradient.setColorAt(0, QColor(0, 40, 80));
    gradient.setColorAt(1, QColor(0, 150, 200));
    const QRect body(0, barHeight, width(), height() - barHeight);
    painter.fillRect(body, gradient);

    // The left part; the cloned video takes the right one.
    const QRect textArea(static_cast<int>(10 * s_), barHeight + static_cast<int>(10 * s_),
                         static_cast<int>(175 * s_), body.height() - static_cast<int>(20 * s_));
    QFont font("arial");
    if (tipSet_) {
        font.setPixelSize(16);
        painter.setFont(font);
        painter.setPen(kTipColour);
        QString tip = tip_;
        painter.drawText(textArea, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, tip.replace("\r\n", "\n"));
    } else {
        font.setPixelSize(30);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(textArea, Qt::AlignLeft | Qt::AlignTop, "Talvora");
    }
}

void MaxiClientArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressed_ = maxiTitleAreaAt(event->position().toPoint(), s_);
    if (pressed_ == MaxiTitleArea::Drag) {
        grabMouse();
        dragOrigin_ = event->globalPosition().toPoint() - window()->pos();
    }
}

void MaxiClientArea::mouseMoveEvent(QMouseEvent* event) {
    if (pressed_ == MaxiTitleArea::Drag) window()->move(event->globalPosition().toPoint() - dragOrigin_);
}

void MaxiClientArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const MaxiTitleArea pressed = pressed_;
    pressed_ = MaxiTitleArea::None;
    if (pressed == MaxiTitleArea::Drag) {
        releaseMouse();
        emit dragFinished();
        return;
    }
    // A button acts when the release is on the button that was pressed.
    if (pressed == MaxiTitleArea::None || maxiTitleAreaAt(event->position().toPoint(), s_) != pressed) return;
    if (pressed == MaxiTitleArea::Close) emit closeClicked();
    else emit minimizeClicked();
}

}  // namespace talvora
