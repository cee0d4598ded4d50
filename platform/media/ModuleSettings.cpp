#include "platform/media/ModuleSettings.h"

namespace platform {

ModuleSettings::ModuleSettings(Mpeg2Module module) : module_(module) {
    for (const Mpeg2ParameterInfo& info : mpeg2Parameters())
        if (info.module == module_) pending_[info.parameter] = committed_[info.parameter] = info.defaultValue;
}

const Mpeg2ParameterInfo* ModuleSettings::find(const std::string& parameterId) const {
    for (const Mpeg2ParameterInfo& info : mpeg2Parameters())
        if (info.module == module_ && parameterId == info.id) return &info;
    return nullptr;
}

HRESULT ModuleSettings::getValue(const std::string& parameterId, ModuleValue* value) const {
    if (value == nullptr) return E_POINTER;
    const Mpeg2ParameterInfo* info = find(parameterId);
    if (info == nullptr) return E_NOTIMPL;
    *value = {info->type, pending_.at(info->parameter)};
    return S_OK;
}

HRESULT ModuleSettings::setValue(const std::string& parameterId, const ModuleValue& value) {
    const Mpeg2ParameterInfo* info = find(parameterId);
    if (info == nullptr) return E_NOTIMPL;
    if (value.type != info->type) return DISP_E_TYPEMISMATCH;
    if (value.value < info->minValue || value.value > info->maxValue) return E_INVALIDARG;
    pending_[info->parameter] = value.value;
    return S_OK;
}

HRESULT ModuleSettings::commitChanges() {
    committed_ = pending_;
    return S_OK;
}

std::int64_t ModuleSettings::committed(Mpeg2Parameter parameter) const {
    const auto it = committed_.find(parameter);
    return it != committed_.end() ? it->second : mpeg2Parameter(parameter).defaultValue;
}

std::vector<std::pair<std::string, std::string>> ModuleSettings::committedLines() const {
    std::vector<std::pair<std::string, std::string>> lines;
    for (const auto& [parameter, value] : committed_)
        lines.emplace_back(mpeg2Parameter(parameter).meaning, std::to_string(value));
    return lines;
}

}  // namespace platform
