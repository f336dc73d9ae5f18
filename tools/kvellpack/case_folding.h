// Unicode full case folding of UTF-8 text: two names that fold to the same text
// are the same name to a case-insensitive file system.
#pragma once
#include <string>

namespace kvellpack {

// Each character replaced by its full case folding ("Ärger" -> "ärger",
// "Straße" -> "strasse"); bytes that are not UTF-8 stay as they are.
std::string foldCase(const std::string& utf8);

}  // namespace kvellpack
