// "did you mean ...?" for an unknown key: the nearest of the names its table
// knows, when one is near enough to be a slip of the keyboard.
#pragma once
#include <string>
#include <vector>

namespace kvellpack {

// Every name the project file knows in table: "" for the top level, the
// key tables ("messages", "texts"), "raw", and the fields of the tables that
// stand for one item ("included_files", "classpath").
std::vector<std::string> knownKeyNames(const std::string& table);

// Edits (insertions, deletions, substitutions, swaps of neighbours) between
// two names.
size_t editDistance(const std::string& a, const std::string& b);

// The known name nearest to typed: at most two edits away, and fewer edits
// than a third of its length; the first in known on a tie. Empty when none is.
std::string nearestName(const std::string& typed, const std::vector<std::string>& known);

}  // namespace kvellpack
