// The first steps of the work: the included files extracted and their directory
// made current, the native library directories on PATH.
#pragma once

void prepareWorkingDirectory(void* dialog);
void addNativeLibraryPath();
// Makes extractionDir current; logs when it cannot (always so without files).
void changeToExtractionDir();
