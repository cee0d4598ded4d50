#include "platform/media/WmWriter.h"

namespace platform {

HRESULT WmWriter::setProfile(const WmProfile* profile) {
    if (profile == nullptr) profile_.reset();
    else profile_ = *profile;
    return S_OK;
}

HRESULT WmWriter::setOutputFilename(const std::string& path) {
    if (path.empty()) return E_INVALIDARG;
    outputFilename_ = path;
    return S_OK;
}

}  // namespace platform
