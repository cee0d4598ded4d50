#pragma once

#include "platform/shell/RichText.h"

namespace platform {

// Converts with the "unrtf" program (Debian's package of the same name),
// started with an argument vector and fed through its standard input.
class UnrtfRichText : public RichText {
public:
    std::optional<std::string> toHtml(const std::string& rtf) override;
};

}  // namespace platform
