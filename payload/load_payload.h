// Loading the launcher's own Payload into the ConfigStore at start-up.
#pragma once
#include <cstdint>

#include "fs/platform.h"

// File position of the first included file (right after the last wide entry).
extern int64_t includedFilesOffset;

// The launcher's own file, opened for reading; ends the process when it cannot.
FileHandle openLauncherFile();
// Fills the ConfigStore; every failure ends the process with exit code 1.
void loadPayload();
