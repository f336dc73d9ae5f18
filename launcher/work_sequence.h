// The launcher's main line of work once the configuration is loaded.
#pragma once
#include "payload/launch_state.h"

// Runs with the progress dialog (dialog) or without one (nullptr). Returns 0 when
// the launch returned; every failure ends the process.
int runWork(LaunchState& state, void* dialog);
