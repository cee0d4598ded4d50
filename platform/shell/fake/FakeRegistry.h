#pragma once

#include <map>
#include <optional>
#include <string>
#include <tuple>

#include "platform/shell/Registry.h"

namespace platform {

class FakeRegistry : public Registry {
public:
    std::optional<std::string> readString(RegistryRoot root, const std::string& key,
                                          const std::string& value) override {
        auto it = values.find({root, key, value});
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
    bool keyExists(RegistryRoot root, const std::string& key) override {
        for (const auto& [k, v] : values)
            if (std::get<0>(k) == root && std::get<1>(k) == key) return true;
        return false;
    }

    std::map<std::tuple<RegistryRoot, std::string, std::string>, std::string> values;
};

}  // namespace platform
