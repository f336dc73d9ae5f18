// Reading a project file (TOML) into a Project. Paths inside it are relative to
// the project file's directory.
#pragma once
#include <string>

#include "project.h"

namespace kvellpack {

// False on the first problem; *error is one line, "<file>:<line>: <what>".
bool loadProject(const std::string& path, Project* project, std::string* error);

// The same for a project given as text; label names it in messages and baseDir
// anchors its relative paths.
bool loadProjectText(const std::string& text, const std::string& label, const std::string& baseDir,
                     Project* project, std::string* error);

}  // namespace kvellpack
