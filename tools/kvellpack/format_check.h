// download_status is a printf format that the launcher fills with four doubles,
// but only when its conversions are exactly four floating-point ones; any other
// text it shows as written. kvellpack refuses what would show garbled: a text
// that looks like a format but is not one the launcher fills.
#pragma once
#include <string>

#include "key_table.h"

namespace kvellpack {

// True when text (UTF-8) is what its rule allows; else *error says why.
bool checkFormat(FormatRule rule, const std::string& text, std::string* error);

}  // namespace kvellpack
