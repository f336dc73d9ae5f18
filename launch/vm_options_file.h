// VM options files: one option per line, with directives that include another
// file or replace, prepend to or append to the class path.
#pragma once
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "fs/platform.h"
#include "payload/launch_state.h"

struct ClassPathOverrides {
    std::optional<std::string> replace;
    std::optional<std::string> prepend;
    std::optional<std::string> append;
};

// Generous bounds, so that includes that fan out or an endless stream cannot
// keep the launcher busy or fill its memory; each is logged when reached.
constexpr int kMaxVmOptionsNesting = 16;
constexpr int kMaxVmOptionsFiles = 256;          // files read, the default one included
constexpr size_t kMaxVmOptions = 65536;          // options collected
constexpr size_t kMaxVmOptionsBytes = 16 << 20;  // bytes read from all files

// The options being assembled. The strings are handed to the JVM, so the list
// lives as long as the process.
struct VmOptions {
    std::vector<std::string> options;
    ClassPathOverrides overrides;
    std::vector<std::string> openFiles;  // options files being read, to stop include cycles
    int filesRead = 0;
    size_t bytesRead = 0;
    bool limitReached = false;  // logged once; nothing more is read or added
};

// "<launcher without .exe>.vmoptions", else "<launcher>.vmoptions"; empty when
// neither exists. name (optional) receives the path of the file opened.
TextFile openDefaultVmOptionsFile(std::string* name = nullptr);
// Handles every line of file; nothing when file is empty.
// name identifies the file for the include-cycle check.
void readVmOptionsFile(TextFile file, VmOptions& vm, const LaunchState& state, const std::string& name = std::string());

enum class Expansion { Values, None };
// One option or directive. The directive is told by the text as written; only
// the value is expanded (Values), so that what a variable holds never becomes
// a directive. Command-line "-J" options are taken as they are (None).
void handleVmOptionLine(const char* line, VmOptions& vm, const LaunchState& state,
                        Expansion expansion = Expansion::Values);
