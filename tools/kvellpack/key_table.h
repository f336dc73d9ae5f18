// The project file's keys and the configuration entries they set. Both the
// project reader and `inspect` go through this one table.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace kvellpack {

enum class EntrySpace { String, Wide };

// How a key's TOML value becomes the entry's text.
enum class ValueKind {
    Text,            // a string, written as it is
    Flag,            // boolean or integer, written as decimal text
    Integer,         // integer, written as decimal text
    PathList,        // string, or array of strings joined with ";"
    WordList,        // string, or array of words joined with blanks (quoted as needed)
    ClassPath,       // string, or array of "<kind><required><value>" entries
    SearchSequence,  // string, or array of "<letter><text>" entries
    Flavour,         // "launcher"/"installer" (or "e"/"i")
    HttpUrl,         // string: an http:// or https:// URL, or empty
    Sha256,          // string: 64 hex digits, written in lower case
    Version,         // string: a Java version such as 17 or 1.8.0_292, or empty
};

// Wide texts the launcher may use as printf formats (see format_check.h).
enum class FormatRule { None, OneNarrowString, FourDoubles };

// What kvellpack writes for a key the project does not set, so that a launcher
// never shows an empty dialog or message box.
enum class DefaultRule {
    None,         // nothing: the entry stays absent
    Always,       // defaultValue
    ProgramName,  // the program's name when kvellpack knows one, else defaultValue
    NotWindowed,  // defaultValue unless program_type is 1 (a windowed program)
    Launcher,     // defaultValue when flavour is "launcher" (an ordinary application)
};

// Longest value the launcher's 8192-unit buffers hold with their terminator.
constexpr size_t kMaxValueLength = 8191;

struct KeySpec {
    const char* table;  // "" for top-level keys
    const char* name;
    int id;
    EntrySpace space;
    ValueKind kind;
    size_t maxLength = kMaxValueLength;  // bytes (8-bit) or UTF-16 units (wide)
    FormatRule format = FormatRule::None;
    const char* summary = "";
    DefaultRule defaultRule = DefaultRule::None;
    const char* defaultValue = "";  // UTF-8
};

const std::vector<KeySpec>& keyTable();

// The key in table (or top level when table is empty), or nullptr.
const KeySpec* findKey(const std::string& table, const std::string& name);
// The named key for an entry number, or nullptr when it has none.
const KeySpec* findKeyForEntry(EntrySpace space, int id);
// "min_version", "messages.caption", ...
std::string keyPath(const KeySpec& spec);

}  // namespace kvellpack
