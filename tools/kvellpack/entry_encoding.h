// A value's way from the UTF-8 project file into the entry's own encoding:
// Windows-1252 for 8-bit entries, UTF-16 for wide ones, each within the length
// that the launcher's fixed buffers hold.
#pragma once
#include <cstddef>
#include <string>

#include "fs/wide.h"

namespace kvellpack {

bool encodeString(const std::string& utf8, size_t maxLength, std::string* out, std::string* error);
bool encodeWide(const std::string& utf8, size_t maxLength, WideString* out, std::string* error);

}  // namespace kvellpack
