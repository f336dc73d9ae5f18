// The text `kvellpack keys` prints: every key with its entry, and what
// kvellpack writes when a project leaves it out.
#pragma once
#include <string>

namespace kvellpack {

std::string describeKeys();

}  // namespace kvellpack
