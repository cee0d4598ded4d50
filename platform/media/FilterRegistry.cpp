#include "platform/media/FilterRegistry.h"

namespace platform {

void FilterRegistry::registerClass(const std::string& classId, FilterFactory factory) {
    classes_[classId] = std::move(factory);
}

std::shared_ptr<Filter> FilterRegistry::create(const std::string& classId) const {
    auto it = classes_.find(classId);
    if (it == classes_.end() || !it->second) return nullptr;
    return it->second();
}

void FilterRegistry::addEntry(const std::string& categoryId, FilterEntry entry) {
    categories_[categoryId].push_back(std::move(entry));
}

void FilterRegistry::setCategorySource(const std::string& categoryId,
                                       std::function<std::vector<FilterEntry>()> source) {
    sources_[categoryId] = std::move(source);
}

std::vector<FilterEntry> FilterRegistry::entries(const std::string& categoryId) const {
    std::vector<FilterEntry> list;
    if (auto it = categories_.find(categoryId); it != categories_.end()) list = it->second;
    if (auto it = sources_.find(categoryId); it != sources_.end() && it->second) {
        for (auto& entry : it->second()) list.push_back(std::move(entry));
    }
    return list;
}

}  // namespace platform
