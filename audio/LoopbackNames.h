#pragma once

#include <string>
#include <vector>

namespace talvora {

// True when the name looks like an input that carries what the speakers play
// ("Stereo Mix", "What U Hear", "Wave" ...), whatever its letter case.
bool IsLoopbackLike(const std::string& name);

// The index of the LAST loopback-like name of the list, -1 when none: no
// fragment outranks another.
int LastLoopbackLike(const std::vector<std::string>& names);

}  // namespace talvora
