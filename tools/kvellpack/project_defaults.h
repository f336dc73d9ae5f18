// What kvellpack writes for the keys a project leaves out (see DefaultRule in
// key_table.h): readable texts instead of empty dialogs and message boxes, and
// no progress dialog for programs without a window.
#pragma once
#include <string>

#include "project.h"

namespace kvellpack {

// Adds the default of every key whose entry the project (named keys and raw
// entries alike) leaves absent. programName (UTF-8, may be empty) is the
// caption default; a name outside Windows-1252 is left to the wide caption.
// Warns when the project asks for a progress dialog that would end a program
// without a window.
void addDefaults(Project* project, const std::string& programName);

// The program's name as kvellpack knows it: the project file's name without
// its extension ("dist/My App.toml" gives "My App"), in UTF-8. Not the
// launcher's: the same project then packs the same bytes under any name.
std::string programNameFromProject(const std::string& projectPath);

}  // namespace kvellpack
