// kvell-runtime.jar, the Java side that every launched program needs on its
// class path. The launcher puts the extracted jars there, so kvellpack appends
// the jar to the included files unless the project opts out or lists its own.
#pragma once
#include <string>
#include <vector>

#include "project.h"

namespace kvellpack {

inline constexpr const char* kRuntimeJarName = "kvell-runtime.jar";
inline constexpr const char* kRuntimeJarVariable = "KVELL_RUNTIME_JAR";

// What names the jar, in order of precedence; empty means not given.
struct RuntimeJarSources {
    std::string option;      // pack --runtime-jar
    std::string variable;    // the environment variable KVELL_RUNTIME_JAR
    std::string programDir;  // directory of the kvellpack executable
};

struct RuntimeJarCandidate {
    std::string path;
    std::string origin;  // shown after the path in messages; empty for the default places
};

// The places to look, in order. A path given by the option or the variable is
// the only candidate: a wrong explicit path is an error, not a silent fallback.
// Otherwise: beside the program (an installed kvellpack), then ../java (the
// build tree, where kvellpack is in tools/ and the jar in java/).
std::vector<RuntimeJarCandidate> runtimeJarCandidates(const RuntimeJarSources& sources);

// True when the project wants the jar and lists no file of that name.
bool needsRuntimeJar(const Project& project);

// Appends the jar when needsRuntimeJar, rewriting entries 2002 and 2003;
// *addedFrom is its path, or empty when nothing was added. False, with a
// one-line *error and the project unchanged, when it is not found or does not fit.
bool addRuntimeJar(Project* project, const RuntimeJarSources& sources, std::string* addedFrom, std::string* error);

}  // namespace kvellpack
