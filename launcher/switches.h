// The launcher's own command-line switches.
#pragma once
#include "fs/wide.h"

enum class SwitchResult { Ok, NoConsole };

// Walks every argument (the first included) and applies "-q", "-console", "-c",
// "-manual" and "/manual". attach obtains a console and says whether it is ready.
SwitchResult applySwitches(const ArgList& args, bool (*attach)());
