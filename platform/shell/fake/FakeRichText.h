#pragma once

#include <vector>

#include "platform/shell/RichText.h"

namespace platform {

// Converts nothing unless `available`: then the RTF text comes back inside
// a <pre> element. Records what it was given.
class FakeRichText : public RichText {
public:
    std::optional<std::string> toHtml(const std::string& rtf) override {
        given.push_back(rtf);
        if (!available) return std::nullopt;
        return "<pre>" + rtf + "</pre>";
    }
    bool available = true;
    std::vector<std::string> given;
};

}  // namespace platform
