// Paths with wildcards, as included_files and class path entries accept them:
// "lib/*.jar" names every matching file, in a stable order, at pack time.
#pragma once
#include <string>
#include <vector>

namespace kvellpack {

// Whether text holds "*" or "?", which no Windows file name can.
bool hasWildcards(const std::string& text);

// Whether name matches one path component of a pattern: "*" stands for any
// run of characters, "?" for any one, the rest for itself with ASCII letter
// case ignored, as Windows does. A name that begins with "." is matched only
// by a pattern that does too, so "*" passes over ".gitignore" and the like.
bool wildcardMatch(const std::string& pattern, const std::string& name);

struct PatternMatch {
    std::string written;  // the pattern with its wildcard components replaced by the names found
    std::string path;     // where kvellpack reads the file
};

// The regular files that pattern names, relative to baseDir (or absolute),
// sorted by their written form. Wildcards match within one path component;
// "/" and "\" both separate components. False, with *error completing
// "'<pattern>' ...", when the search goes on too long (past kMaxPatternEntries
// directory entries); an empty result is not an error here.
bool expandPattern(const std::string& baseDir, const std::string& pattern, std::vector<PatternMatch>* matches,
                   std::string* error);

constexpr size_t kMaxPatternEntries = 100000;

}  // namespace kvellpack
