// Class path entries with wildcards ("A1lib/*.jar"), expanded at pack time
// into one entry per matching file.
#pragma once
#include <string>
#include <vector>

#include "project.h"

namespace kvellpack {

// Expands every A or D entry whose value has a wildcard against baseDir, the
// project file's directory; the other entries stay as they are. A matching
// file that the project includes becomes an entry in the extraction
// directory ("%KVELL_TEMPDIR%\<name>"); any other stands for the same file
// beside the launcher, its path as matched, relative to the launcher's
// directory. Each keeps its entry's kind and required flag. False, with
// *error, for a pattern that matches nothing, has a placeholder, is absolute
// or sits in an E or S entry.
bool expandClassPathEntries(const std::vector<std::string>& entries, const std::string& baseDir,
                            const std::vector<IncludedFile>& files, std::vector<std::string>* out,
                            std::string* error);

}  // namespace kvellpack
