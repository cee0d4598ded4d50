// themeflip: switches desktop compositing off for as long as the recorder
// window named on its command line lives (mode 0), or tests that compositing
// is on and tells the caller (mode 1). Usage: themeflip -w "Talvora" [-enab 1]
#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "companions/themeflip/GlassoffTheme.h"
#include "companions/themeflip/MainWindow.h"
#include "platform/composition/linux/X11Composition.h"
#include "platform/core/linux/ExitProcessControl.h"
#include "platform/core/linux/QtMessageBox.h"
#include "platform/core/linux/TerminationSignals.h"
#include "platform/core/linux/TraceLog.h"
#include "platform/desktop/linux/X11Session.h"
#include "platform/desktop/linux/X11WindowMessages.h"
#include "platform/desktop/linux/X11Windows.h"

int main(int argc, char** argv) {
    if (const auto problem = platform::x11SessionProblem("themeflip")) {
        std::fprintf(stderr, "%s\n", problem->c_str());
        return 1;
    }
    // The tokens as given: Qt would take some of them as its own options.
    const std::vector<std::string> tokens(argv + 1, argv + argc);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    platform::TraceLog log;
    platform::QtMessageBox box("Vexa Recorder Message", log);
    platform::X11Windows windows;
    platform::X11WindowMessages messages;
    platform::X11Composition composition(log);
    platform::ExitProcessControl process;

    themeflip::MainWindow frame;
    themeflip::GlassoffTheme theme({windows, messages, box, composition, process},
                                   {[&frame] { frame.timer().start(); }, [&frame] { frame.timer().stop(); }});
    if (!theme.initInstance(tokens)) return 0;
    frame.setApplication(&theme);
    frame.create();
    // The recorder asks a running companion to close with the message
    // registered under the Windows name of a close request.
    const platform::MessageId closeRequest = messages.registerMessage("WM_CLOSE");
    messages.listen(static_cast<platform::WindowId>(frame.winId()),
                    [&frame, closeRequest](platform::MessageId message, std::intptr_t, std::intptr_t) {
                        if (message == closeRequest) frame.close();
                    });
    // Logout, kill or Ctrl+C: give compositing back before ending.
    platform::TerminationSignals termination([&theme](int) { theme.end(0); });
    frame.timer().start();
    QApplication::exec();
    theme.end(0);
}
