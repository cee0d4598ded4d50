#include "platform/core/linux/QtMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

namespace platform {

int QtMessageBox::show(const std::string& text, MessageButtons buttons) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) return showHere(text, buttons);
    int answer = IDOK;
    QMetaObject::invokeMethod(
        app, [&] { answer = showHere(text, buttons); }, Qt::BlockingQueuedConnection);
    return answer;
}

int QtMessageBox::showHere(const std::string& text, MessageButtons buttons) {
    log_.append(caption_ + ": " + text);
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(caption_), QString::fromStdString(text),
                    buttons == MessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    const int result = box.exec();
    if (buttons == MessageButtons::YesNo) return result == QMessageBox::Yes ? IDYES : IDNO;
    return IDOK;
}

}  // namespace platform
