#include <QApplication>
#include <gmock/gmock.h>

// Dialog tests need a QApplication; the unit tests run it offscreen.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(pictures);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
