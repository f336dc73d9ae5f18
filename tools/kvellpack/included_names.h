// Names of included files: plain names that the launcher places directly in its
// extraction directory and lists, ";"-separated, in one entry.
#pragma once
#include <string>

namespace kvellpack {

// True when name can be an included file's name; else *error says why.
bool checkIncludedName(const std::string& name, std::string* error);

// Case-insensitive (ASCII) equality, as Windows compares file names.
bool sameFileName(const std::string& a, const std::string& b);

}  // namespace kvellpack
