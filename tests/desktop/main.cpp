#include <QApplication>
#include <gmock/gmock.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/desktop/linux/X11WindowMessages.h"
#include "platform/media/linux/FfmpegLogLevel.h"

namespace {

// `desktop_tests --post-message WINDOW NAME WPARAM LPARAM`: registers NAME and
// posts it to WINDOW from this second process, for the message tests.
int postMessage(char** argv) {
    platform::X11WindowMessages messages;
    const auto window = static_cast<platform::WindowId>(std::strtoul(argv[2], nullptr, 0));
    const platform::MessageId id = messages.registerMessage(argv[3]);
    const bool posted = messages.post(window, id, std::atoll(argv[4]), std::atoll(argv[5]));
    return id != 0 && posted ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::strcmp(argv[1], "--post-message") == 0) return postMessage(argv);
    // Without a display the tests skip; Qt still needs a platform to start.
    if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::limitFfmpegLogToErrors();
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
