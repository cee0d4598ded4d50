#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // The portal's answers arrive through Qt's event loop; the recorder's
    // dialogs are measured in the fonts it has as an X11 program.
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
