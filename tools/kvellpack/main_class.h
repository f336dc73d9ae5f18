// The program's main class (entry 122), which kvell-runtime.jar's launcher
// class calls. A project that leaves it out gets its first jar's Main-Class.
#pragma once
#include <string>

#include "project.h"

namespace kvellpack {

// When the project sets no main class (no key or raw entry 122, or an empty
// one), takes the Main-Class of the first included jar and says so in *note.
// Finding none is an error when the project includes kvell-runtime.jar, which
// needs the class; with include_runtime_jar = false the project brings its own
// launcher class, which may do without. label names the project file in
// messages.
bool resolveMainClass(Project* project, const std::string& label, std::string* note, std::string* error);

}  // namespace kvellpack
