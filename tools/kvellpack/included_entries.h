// Entries 2002 and 2003, the number of included files and their names joined
// with ";": written from the file list, again whenever the list grows.
#pragma once
#include <string>

#include "project.h"

namespace kvellpack {

// Rewrites both entries from project->files (removes them for no files).
// False when the joined names do not fit the entry; *error then completes a
// sentence about the names ("is 8200 characters long; ...").
bool writeIncludedEntries(Project* project, std::string* error);

}  // namespace kvellpack
