#pragma once

#include <string>

#include "platform/core/MessageBox.h"

namespace platform {

// QMessageBox with the program's caption, the warning icon, application-modal
// and above other windows. Callable from any thread: a worker's call is handed
// to the UI thread, which shows the box while the worker waits for the answer.
class QtMessageBox : public MessageBox {
public:
    explicit QtMessageBox(std::string caption) : caption_(std::move(caption)) {}
    int show(const std::string& text, MessageButtons buttons = MessageButtons::Ok) override;

private:
    int showHere(const std::string& text, MessageButtons buttons);
    std::string caption_;
};

}  // namespace platform
