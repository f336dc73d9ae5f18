// Loading the launcher's own Payload into the ConfigStore at start-up.
#pragma once
#include <cstdint>

#include "fs/platform.h"
#include "payload/launch_state.h"

// The launcher's own file, opened for reading; ends the process when it cannot.
FileHandle openLauncherFile();
// Fills the ConfigStore and state.includedFilesOffset; every failure ends the
// process with exit code 1.
void loadPayload(LaunchState& state);
