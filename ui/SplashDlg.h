#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>

namespace talvora {

// The splash: shows the product picture, and at its first one-second tick
// runs the start-up work it is given (the filter registration) and closes.
// Run modally by the main window's creation; UI thread.
class SplashDlg : public QDialog {
    Q_OBJECT
public:
    explicit SplashDlg(std::function<void()> work, QWidget* parent = nullptr);

    static constexpr int kWidth = 425;
    static constexpr int kHeight = 159;

private:
    void onTick();

    std::function<void()> work_;
    QTimer timer_;
};

}  // namespace talvora
