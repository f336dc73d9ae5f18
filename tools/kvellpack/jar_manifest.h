// A jar's manifest (META-INF/MANIFEST.MF), as far as kvellpack needs it: the
// Main-Class that names the program's entry point.
#pragma once
#include <string>

namespace kvellpack {

// The value of an attribute of the manifest's main section (before the first
// empty line). Names ignore letter case; a line that begins with one blank
// continues the one before; lines end in CR LF, LF or CR. Empty when absent.
std::string manifestAttribute(const std::string& manifest, const std::string& name);

// The Main-Class of the jar at path, or empty when it has no manifest or names
// none. False, with *error completing "'<path>' ...", when the jar cannot be read.
bool jarMainClass(const std::string& path, std::string* mainClass, std::string* error);

}  // namespace kvellpack
