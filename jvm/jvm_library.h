// Loading a runtime's jvm.dll into this process and binding JNI_CreateJavaVM.
#pragma once
#include "fs/platform.h"
#include "payload/launch_state.h"

// The VM kinds (sub-directories of bin holding jvm.dll), in the order tried.
extern const char* const kVmKinds[5];

// The load step: loads the library for this Java executable and binds the entry
// point (state.createJavaVm); records the runtime home either way.
bool loadJvmForExecutable(LaunchState& state, const char* javaExecutable);
LibraryHandle loadJvmLibrary(const char* javaExecutable);
LibraryHandle loadFromBinDirectory(const char* javaExecutable);
LibraryHandle tryJvmDll(const char* binDirectory, const char* kind);
// JNI_CreateJavaVM of library into state.createJavaVm, and the library kept
// loaded for the life of the process; false (state as it was, the library
// unloaded) when library is not loaded or has no such export.
bool bindCreateJavaVM(LaunchState& state, LibraryHandle library);
