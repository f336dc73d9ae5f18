// Two wide texts are printf formats that the launcher fills with fixed
// arguments; a conversion it does not supply would read garbage or crash it.
#pragma once
#include <string>

#include "key_table.h"

namespace kvellpack {

// True when text (UTF-8) uses only the conversions its rule supplies.
bool checkFormat(FormatRule rule, const std::string& text, std::string* error);

}  // namespace kvellpack
