#include "library/SameFile.h"

#include <filesystem>

namespace talvora {

bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    namespace fs = std::filesystem;
    std::error_code ec;
    const bool same = fs::equivalent(a, b, ec);
    if (!ec) return same;
    // Neither exists (yet): compare where they would be.
    std::error_code ea;
    std::error_code eb;
    const fs::path pa = fs::weakly_canonical(a, ea);
    const fs::path pb = fs::weakly_canonical(b, eb);
    return !ea && !eb && pa == pb;
}

}  // namespace talvora
