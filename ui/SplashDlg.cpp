#include "ui/SplashDlg.h"

#include <QLabel>
#include <QPixmap>

namespace talvora {

SplashDlg::SplashDlg(std::function<void()> work, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint), work_(std::move(work)) {
    setFixedSize(kWidth, kHeight);
    auto* picture = new QLabel(this);
    picture->setGeometry(0, 0, kWidth, kHeight);
    picture->setPixmap(QPixmap(":/pictures/splash").scaled(kWidth, kHeight));
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, &SplashDlg::onTick);
    timer_.start();
}

void SplashDlg::onTick() {
    timer_.stop();
    if (work_) work_();
    accept();
}

}  // namespace talvora
