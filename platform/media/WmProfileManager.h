#pragma once

#include <string>
#include <string_view>

#include "platform/core/HResult.h"
#include "platform/media/WmProfile.h"

namespace platform {

// Reads Windows Media profiles from their XML text (the ".prx" format):
// one `profile` root with one `streamconfig` per stream. Any thread.
class WmProfileManager {
public:
    // Parses and checks the text. E_INVALIDARG when it is not well-formed
    // XML, lacks a value the writer needs or holds one out of range; the
    // profile is then left as it was and lastError() says why.
    HRESULT loadProfileByData(std::u16string_view text, WmProfile& profile);

    const std::string& lastError() const { return lastError_; }

private:
    std::string lastError_;
};

}  // namespace platform
