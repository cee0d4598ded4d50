#pragma once

#include <string>

namespace platform {

enum class MessageButtons { Ok, YesNo };

// Answers, with the values the system compares against (No is 7).
constexpr int IDOK = 1;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The one message box of a program: every user message goes through it.
// The real one hands the call to the UI thread and waits for the answer, so
// workers may call it too.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual int show(const std::string& text, MessageButtons buttons = MessageButtons::Ok) = 0;
};

}  // namespace platform
