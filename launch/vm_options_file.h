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

// The options being assembled. The strings are handed to the JVM, so the list
// lives as long as the process.
struct VmOptions {
    std::vector<std::string> options;
    ClassPathOverrides overrides;
    std::vector<std::string> openFiles;  // options files being read, to stop include cycles
};

constexpr int kMaxVmOptionsNesting = 16;

// "<launcher without .exe>.vmoptions", else "<launcher>.vmoptions"; empty when
// neither exists. name (optional) receives the path of the file opened.
TextFile openDefaultVmOptionsFile(std::string* name = nullptr);
// Handles every line of file; nothing when file is empty.
// name identifies the file for the include-cycle check. Lines are expanded with
// state's values.
void readVmOptionsFile(TextFile file, VmOptions& vm, const LaunchState& state, const std::string& name = std::string());
void handleVmOptionLine(const char* line, VmOptions& vm, const LaunchState& state);
