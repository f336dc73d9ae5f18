// Downloading a Java runtime archive when none was found.
#pragma once
#include "payload/launch_state.h"

// Saves the runtime archive at url as "jre.tar.gz" in the current directory,
// showing progress in the dialog. Returns only on success; a failure ends the
// process with the configured download-failed text.
void downloadJre(LaunchState& state, void* dialog, const char* url);
