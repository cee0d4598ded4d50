#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/media/ModuleConfig.h"
#include "platform/media/Mpeg2Parameters.h"

namespace platform {

// The module configuration of one MPEG-2 filter, over its rows of the
// parameter table: values set wait until they are committed together. A
// filter derives from it and reads committed() when it starts. UI thread.
class ModuleSettings : public ModuleConfig {
public:
    explicit ModuleSettings(Mpeg2Module module);

    HRESULT getValue(const std::string& parameterId, ModuleValue* value) const override;
    HRESULT setValue(const std::string& parameterId, const ModuleValue& value) override;
    HRESULT commitChanges() override;

    // A parameter of this module: its committed value, else its default.
    std::int64_t committed(Mpeg2Parameter parameter) const;
    // One line per parameter with its committed value, for a property page.
    std::vector<std::pair<std::string, std::string>> committedLines() const;

private:
    const Mpeg2ParameterInfo* find(const std::string& parameterId) const;

    Mpeg2Module module_;
    std::map<Mpeg2Parameter, std::int64_t> pending_;
    std::map<Mpeg2Parameter, std::int64_t> committed_;
};

}  // namespace platform
