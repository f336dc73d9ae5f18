// The first steps of the work: the included files extracted and their directory
// made current, the native library directories on PATH.
#pragma once
#include "payload/launch_state.h"

void prepareWorkingDirectory(LaunchState& state, void* dialog);
void addNativeLibraryPath(const LaunchState& state);
// Makes state.extractionDir current; logs when it cannot (always so without files).
void changeToExtractionDir(const LaunchState& state);
