#include "audio/LoopbackNames.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace talvora {

bool IsLoopbackLike(const std::string& name) {
    static constexpr std::array<const char*, 9> kFragments = {"stereo mix", "stereomix", "wave out",
                                                              "waveout",    "what you",  "what u",
                                                              "master volume", "rec. playback", "wave"};
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::any_of(kFragments.begin(), kFragments.end(),
                       [&](const char* fragment) { return lower.find(fragment) != std::string::npos; });
}

int LastLoopbackLike(const std::vector<std::string>& names) {
    for (int i = static_cast<int>(names.size()) - 1; i >= 0; --i)
        if (IsLoopbackLike(names[static_cast<std::size_t>(i)])) return i;
    return -1;
}

}  // namespace talvora
