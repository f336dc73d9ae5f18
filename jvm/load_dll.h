// The one way the launcher obtains a Java runtime and loads its jvm.dll.
#pragma once
#include "payload/launch_state.h"

// With no location, walks the configured search sequence; with a location (a Java
// home, or an executable when locationIsExecutable) checks that one. Then loads
// the runtime's JVM library and binds JNI_CreateJavaVM. With showErrors, failures
// are reported with the configured messages. The runtime goes into state
// (runtimeHome, createJavaVm).
bool LoadDLL(LaunchState& state, bool showErrors, const char* location, bool locationIsExecutable);
