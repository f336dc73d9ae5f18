// Windows-1252, the ANSI code page in which the launcher reads its 8-bit
// entries. The project file is UTF-8, so every 8-bit value passes through here.
#pragma once
#include <string>

namespace kvellpack {

// UTF-8 -> Windows-1252. False when a character has no Windows-1252 byte; *bad
// then describes it, e.g. "'Ω' (U+03A9)".
bool cp1252FromUtf8(const std::string& utf8, std::string* out, std::string* bad);

// Windows-1252 -> UTF-8, for showing entries. The five unassigned bytes become
// the control characters of the same value, as Windows maps them.
std::string utf8FromCp1252(const std::string& bytes);

}  // namespace kvellpack
