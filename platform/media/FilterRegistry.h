#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/media/Filter.h"

namespace platform {

// Category ids as the system names them.
constexpr const char* kLegacyFilterCategory = "{083863F1-70DE-11D0-BD40-00A0C911CE86}";
constexpr const char* kAudioCaptureCategory = "{33D9A762-90C8-11D0-BD43-00A0C911CE86}";

using FilterFactory = std::function<std::shared_ptr<Filter>()>;

// A named entry of a category; binding it creates the filter.
struct FilterEntry {
    std::string friendlyName;
    std::string classId;
    FilterFactory create;
};

// Filter classes by class id and categories of named entries, in place of the
// system's class registration and device enumerator. A category may be
// listed live (the audio capture devices come from the sound server).
// Filled at start on the UI thread; read-only afterwards.
class FilterRegistry {
public:
    void registerClass(const std::string& classId, FilterFactory factory);
    // Null when the class is unknown or its factory fails.
    std::shared_ptr<Filter> create(const std::string& classId) const;

    void addEntry(const std::string& categoryId, FilterEntry entry);
    void setCategorySource(const std::string& categoryId, std::function<std::vector<FilterEntry>()> source);
    // The category's entries in registration order (live ones after fixed ones).
    std::vector<FilterEntry> entries(const std::string& categoryId) const;

private:
    std::map<std::string, FilterFactory> classes_;
    std::map<std::string, std::vector<FilterEntry>> categories_;
    std::map<std::string, std::function<std::vector<FilterEntry>()>> sources_;
};

}  // namespace platform
