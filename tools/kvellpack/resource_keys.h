// The project file's [resources] table: the launcher's icon, its version
// information and its manifest (see resource_settings.h). Files it names are
// read and checked here, so that a bad one is reported at its key's line.
#pragma once
#include <string>

#include <toml++/toml.h>

#include "resource_settings.h"

namespace kvellpack {

inline constexpr const char* kResourcesTable = "resources";

// False on the first problem; *error is one line, "<label>:<line>: <what>",
// like the project file's other errors. Paths are relative to baseDir.
bool readResourceKeys(const toml::node& node, const std::string& label, const std::string& baseDir,
                      ResourceSettings* settings, std::string* error);

// Their lines in `kvellpack keys`.
std::string describeResourceKeys();

}  // namespace kvellpack
