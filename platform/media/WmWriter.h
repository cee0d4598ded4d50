#pragma once

#include <optional>
#include <string>

#include "platform/core/HResult.h"
#include "platform/media/WmProfile.h"

namespace platform {

// The stand-alone Windows Media writer: given a profile and an output file
// name while a recording is set up. The recorder never starts it; the ASF
// writer filter does the writing. UI thread.
class WmWriter {
public:
    // Null leaves the writer without a profile.
    HRESULT setProfile(const WmProfile* profile);
    // E_INVALIDARG for an empty name.
    HRESULT setOutputFilename(const std::string& path);

    const std::optional<WmProfile>& profile() const { return profile_; }
    const std::string& outputFilename() const { return outputFilename_; }

private:
    std::optional<WmProfile> profile_;
    std::string outputFilename_;
};

}  // namespace platform
