// min_version and max_version (126, 127) together: limits that no version can
// meet would only show on the user's machine, as "no runtime found".
#pragma once
#include <string>

#include "project.h"

namespace kvellpack {

// The message, with *entry the entry at fault, when the minimum lies above the
// maximum; "" when the limits leave room.
std::string versionLimitConflict(const Project& project, int* entry);

}  // namespace kvellpack
