#pragma once

#include <string>
#include <vector>

namespace platform {

// Splits a parameter text into arguments by the usual command-line rules:
// blanks separate, double quotes group, backslashes escape quotes only
// (2n backslashes + quote: n backslashes and a grouping quote; 2n+1: n and a
// literal quote). The result goes straight into an argument vector.
std::vector<std::string> splitCommandLine(const std::string& text);

// The text to put between the double quotes of a parameter template (as in
// "-i \"%s\"") so that splitCommandLine gives back `argument` whole: quotes
// are escaped and backslashes before them (or before the closing quote)
// doubled. File names here may hold quotes, which Windows names cannot.
std::string escapeQuoted(const std::string& argument);

}  // namespace platform
