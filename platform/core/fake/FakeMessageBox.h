#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/core/MessageBox.h"

namespace platform {

// Records every text shown and answers from a queue (IDOK / IDYES when empty).
class FakeMessageBox : public MessageBox {
public:
    struct Shown {
        std::string text;
        MessageButtons buttons;
    };

    int show(const std::string& text, MessageButtons buttons = MessageButtons::Ok) override;

    void queueAnswer(int answer) { answers_.push_back(answer); }
    const std::vector<Shown>& shown() const { return shown_; }
    std::vector<std::string> texts() const;
    void clear() { shown_.clear(); }

private:
    std::deque<int> answers_;
    std::vector<Shown> shown_;
};

}  // namespace platform
