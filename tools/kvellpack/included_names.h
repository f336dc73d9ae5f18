// Names of included files: plain names that the launcher places directly in its
// extraction directory and lists, ";"-separated, in one entry.
#pragma once
#include <string>

namespace kvellpack {

// True when name (UTF-8) can be an included file's name; else *error says why.
bool checkIncludedName(const std::string& name, std::string* error);

// Whether two names (UTF-8) are one file to Windows, which ignores letter case:
// equal after full Unicode case folding.
bool sameFileName(const std::string& a, const std::string& b);

}  // namespace kvellpack
