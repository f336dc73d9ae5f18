// The runtime a project names, runtime_dir (a runtime's home, which kvellpack
// packs) or runtime_archive (a ready jre.tar.gz, which it checks), becomes the
// included file jre.tar.gz, and entry 151 its unpacked size.
#pragma once
#include <string>

#include "project.h"

namespace kvellpack {

inline constexpr const char* kRuntimeDirKey = "runtime_dir";
inline constexpr const char* kRuntimeArchiveKey = "runtime_archive";

// Whether dir looks like a runtime's home: bin/java.exe or bin/java is in it.
bool looksLikeRuntimeHome(const std::string& dir);

// Adds project->runtime, if any, after the project's included files: a
// runtime_dir is written to scratchPath, which the caller removes once the
// launcher is written. Entry 151 gets the archive's unpacked size unless the
// project sets it (then a warning when they differ); warns when jre_pack200
// and the runtime's lib/rt.jar.pack disagree. *note is one line for the pack
// summary. False, with a one-line *error, when the runtime cannot be packed.
bool addIncludedRuntime(Project* project, const std::string& scratchPath, std::string* note, std::string* error);

}  // namespace kvellpack
