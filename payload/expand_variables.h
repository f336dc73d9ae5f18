// Placeholders in configured texts: the launcher and extraction directories, the
// path-list separator, the chosen runtime's home and environment variables.
#pragma once

#include "fs/bounded_text.h"
#include "payload/launch_state.h"

// Records the home of the runtime whose executable this is in state.runtimeHome:
// "C:\jre\bin\java.exe" gives "C:\jre\bin\..".
void setRuntimeHome(LaunchState& state, const char* javaExecutable);

// Replaces every occurrence of pattern in text by value, searching on after each
// inserted value. A replacement that would not fit is skipped with a log line.
void replaceAll(BoundedText& text, const char* pattern, const char* value);

// All placeholders, in their fixed order, then "${NAME}" for each environment variable.
void expandVariables(BoundedText& text, const LaunchState& state);
