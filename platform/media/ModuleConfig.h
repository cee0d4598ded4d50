#pragma once

#include <cstdint>
#include <string>

#include "platform/core/HResult.h"

namespace platform {

constexpr const char* kModuleConfigInterfaceId = "{486F726E-4D43-49B9-8A0C-C22A2B0524E8}";

// A value of another type than the parameter's.
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);

// The type a parameter's value is held as: a signed (VT_INT) or an unsigned
// (VT_UI4) 32-bit integer.
enum class ValueType { Empty, Int, UInt };

struct ModuleValue {
    ValueType type = ValueType::Empty;
    std::int64_t value = 0;
    bool operator==(const ModuleValue&) const = default;
};

// A filter's parameters, named by id. Values are set one by one and take
// effect together when committed; a filter works with the committed values
// from its next run. UI thread.
class ModuleConfig {
public:
    virtual ~ModuleConfig() = default;
    // The value last set (the default before any). E_POINTER for no value,
    // E_NOTIMPL for a parameter the filter does not have.
    virtual HRESULT getValue(const std::string& parameterId, ModuleValue* value) const = 0;
    // DISP_E_TYPEMISMATCH for a value of another type than the parameter's,
    // E_INVALIDARG for one out of its range, E_NOTIMPL as above.
    virtual HRESULT setValue(const std::string& parameterId, const ModuleValue& value) = 0;
    virtual HRESULT commitChanges() = 0;
};

}  // namespace platform
