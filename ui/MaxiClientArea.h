#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

namespace talvora {

// The places of the "MAXI" layout's own title bar, in client pixels.
enum class MaxiTitleArea { None, Close, Minimize, Drag };
MaxiTitleArea maxiTitleAreaAt(QPoint p, double s);

// The client area of the "MAXI" recorder window, below its menu bar: it
// draws its own title bar and a gradient with the title or the tip text,
// and closes, minimises or drags the window from its title bar.
class MaxiClientArea : public QWidget {
    Q_OBJECT
public:
    MaxiClientArea(double s, QWidget* parent);

    // An empty text still replaces the title: once set, the tip is drawn.
    void setTipText(const QString& text);
    const QString& tipText() const { return tip_; }
    bool tipSet() const { return tipSet_; }

signals:
    void closeClicked();
    void minimizeClicked();
    void dragFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    double s_;
    QString tip_;
    bool tipSet_ = false;
    MaxiTitleArea pressed_ = MaxiTitleArea::None;
    QPoint dragOrigin_;
};

}  // namespace talvora
