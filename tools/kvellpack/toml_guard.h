// A check of the project file's text before toml++ 3.3.0 reads it. That version
// asks, at some places, whether a character is Unicode whitespace, and for many
// characters (U+00A1..U+0499, U+2C5E..U+3057, U+FB26..U+FEFE: "é", Cyrillic,
// Hiragana, Arabic forms) the answer runs into __builtin_unreachable: undefined
// behaviour. It asks outside strings and comments, and in a """ string at the
// first character after a backslash and the blanks and line breaks following it.
// Outside strings and comments TOML allows no non-ASCII character at all.
#pragma once
#include <string>

namespace kvellpack {

// False with *line (1-based) and *why ("the character 'é' (U+00E9) ...") at the
// first such character. Stops, true, at bytes that are not UTF-8: the TOML
// reader reports those itself and reads no further.
bool checkTomlText(const std::string& text, int* line, std::string* why);

}  // namespace kvellpack
