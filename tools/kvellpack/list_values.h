// Values that the launcher splits into parts: ";"-lists (class path, search
// sequence, native library directories) and word lists split like a command
// line (VM options, program arguments). Texts are UTF-8 here.
#pragma once
#include <string>
#include <vector>

#include "key_table.h"

namespace kvellpack {

// A list kind's value written as one string: checked, kept as written.
bool listFromText(ValueKind kind, const std::string& text, std::string* out, std::string* error);
// A list kind's value written as an array: each item checked, then joined in the
// launcher's syntax.
bool listFromItems(ValueKind kind, const std::vector<std::string>& items, std::string* out, std::string* error);

// Joins words with blanks, quoting each as the launcher's command-line splitter
// needs to give it back unchanged.
bool joinWords(const std::vector<std::string>& words, std::string* out, std::string* error);

// The pieces of a ";"-list; empty pieces are skipped, as the launcher skips them.
std::vector<std::string> splitList(const std::string& text);

}  // namespace kvellpack
