#pragma once
#include "payload/launch_state.h"

// Start-up: reads the Payload, keeps the instance handle and the flavour in
// state, and makes the configured working directory current (not on a language
// restart, which state already says).
void initLauncher(LaunchState& state, void* instance);
