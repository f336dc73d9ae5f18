// The launcher's own command-line switches.
#pragma once
#include "fs/wide.h"
#include "payload/launch_state.h"

enum class SwitchResult { Ok, NoConsole };

// Walks every argument (the first included) and applies "-q", "-console", "-c",
// "-manual" and "/manual" to state; none of them with entry 163 set. attach
// obtains a console and says whether it is ready.
SwitchResult applySwitches(LaunchState& state, const ArgList& args, bool (*attach)());
