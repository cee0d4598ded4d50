#pragma once

#include <string>
#include <vector>

namespace talvora {

// A list of at most 11 names of at most 999 characters, refilled by each
// listing operation; the audio dialogs fill their choice boxes from it.
class NameList {
public:
    static constexpr std::size_t kCapacity = 11;
    static constexpr std::size_t kNameLength = 999;

    void reset() { names_.clear(); }
    // False (and nothing stored) once the list is full.
    bool append(const std::string& name);
    bool full() const { return names_.size() >= kCapacity; }
    int count() const { return static_cast<int>(names_.size()); }
    const std::string& at(int i) const { return names_.at(static_cast<std::size_t>(i)); }
    const std::vector<std::string>& names() const { return names_; }

private:
    std::vector<std::string> names_;
};

}  // namespace talvora
