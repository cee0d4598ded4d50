#pragma once

#include <string>
#include <vector>

namespace platform {

// Splits a parameter text into arguments by the usual command-line rules:
// blanks separate, double quotes group, backslashes escape quotes only
// (2n backslashes + quote: n backslashes and a grouping quote; 2n+1: n and a
// literal quote). The result goes straight into an argument vector.
std::vector<std::string> splitCommandLine(const std::string& text);

}  // namespace platform
