// A Java runtime that comes with the launcher: jre.tar.gz among the included
// files (or downloaded), unpacked into "jre" beside it and loaded from there.
#pragma once
#include "payload/launch_state.h"

// Unpacks jre.tar.gz of the current directory into "jre", deletes the archive,
// restores Pack200-packed jars when configured, then useExtractedJre. Returns
// only when a runtime was loaded; every failure ends the process.
void extractIncludedJre(LaunchState& state, void* dialog);

// Loads the runtime unpacked into "jre" (an earlier run's, on a language
// restart), or else any runtime the search finds; otherwise ends the process.
void useExtractedJre(LaunchState& state);
