// What one launcher carries: the configuration entries, already in the
// launcher's encodings, and the files to include.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "fs/wide.h"
#include "resource_settings.h"

namespace kvellpack {

struct IncludedFile {
    std::string name;  // plain file name in the extraction directory
    std::string path;  // where kvellpack reads it
    int64_t size = 0;
};

// The runtime the project includes as jre.tar.gz (runtime_dir or
// runtime_archive); included_runtime.h turns it into an included file.
struct RuntimeSource {
    std::string key;      // the key that named it; empty: none
    std::string written;  // its value as the project file has it
    std::string path;     // resolved against the project file's directory
    std::string where;    // "<project file>:<line>", for messages
};

struct Project {
    std::map<int, std::string> strings;  // Windows-1252 bytes
    std::map<int, WideString> wides;     // UTF-16
    std::vector<IncludedFile> files;     // in Payload order
    bool includeRuntimeJar = true;       // kvellpack appends kvell-runtime.jar unless listed
    int console = -1;                    // the console stub kvellc.exe: 1 yes, 0 no, -1 by the program's kind
    RuntimeSource runtime;
    ResourceSettings resources;          // [resources]: icon, version information, manifest
    std::vector<std::string> warnings;
};

}  // namespace kvellpack
