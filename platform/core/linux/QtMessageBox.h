#pragma once

#include <string>

#include "platform/core/DiagnosticLog.h"
#include "platform/core/MessageBox.h"

namespace platform {

// QMessageBox with the program's caption, the warning icon, application-modal
// and above other windows. Callable from any thread: a worker's call is handed
// to the UI thread, which shows the box while the worker waits for the answer.
// Each text also goes to the diagnostic log, so a session can be traced.
class QtMessageBox : public MessageBox {
public:
    QtMessageBox(std::string caption, DiagnosticLog& log) : caption_(std::move(caption)), log_(log) {}
    int show(const std::string& text, MessageButtons buttons = MessageButtons::Ok) override;

private:
    int showHere(const std::string& text, MessageButtons buttons);
    std::string caption_;
    DiagnosticLog& log_;
};

}  // namespace platform
