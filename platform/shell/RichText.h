#pragma once

#include <optional>
#include <string>

namespace platform {

// Rich text (RTF) as the system's rich-edit control shows it: converted to
// HTML for a text browser. UI thread; a conversion is short and bounded.
class RichText {
public:
    virtual ~RichText() = default;
    // The HTML of the RTF bytes, or nothing when no converter is available
    // or the conversion failed.
    virtual std::optional<std::string> toHtml(const std::string& rtf) = 0;
};

}  // namespace platform
