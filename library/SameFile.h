#pragma once

#include <string>

namespace talvora {

// True when both paths name one file: the same file where both exist
// (whatever links or spellings lead to it), else the same absolute path once
// "." and ".." are resolved. Empty paths name no file.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace talvora
