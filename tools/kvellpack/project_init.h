// `kvellpack init app.jar`: a commented starter project file for a jar, so
// that a first launcher takes one command more.
#pragma once
#include <string>

namespace kvellpack {

// What the starter project says about the jar. Paths are relative to the
// project file's directory, with "/".
struct StarterProject {
    std::string projectFile;  // as the user named it, for the comment on packing
    std::string jar;        // "app.jar"
    std::string jarName;    // its file name
    std::string mainClass;  // from its manifest; empty: none
    std::string libPattern; // "lib/*.jar" when the jar has such neighbours; else empty
};

std::string starterProjectText(const StarterProject& starter);

// The project file init writes for jarPath when -o names none: beside the jar,
// named after it ("dist/app.jar" gives "dist/app.toml").
std::string starterProjectPath(const std::string& jarPath);

// Writes the starter project for jarPath to projectPath, which must not exist.
// *summary is the line to show; *note says when the jar names no Main-Class.
bool writeStarterProject(const std::string& jarPath, const std::string& projectPath, std::string* summary,
                         std::string* note, std::string* error);

}  // namespace kvellpack
