// Loading a runtime's jvm.dll into this process and binding JNI_CreateJavaVM.
#pragma once
#include <jni.h>

using CreateJavaVmFunction = jint(JNICALL*)(JavaVM**, void**, void*);

// JNI_CreateJavaVM of the loaded library; null until a load step succeeds.
extern CreateJavaVmFunction createJavaVmEntry;

// The VM kinds (sub-directories of bin holding jvm.dll), in the order tried.
extern const char* const kVmKinds[5];

// The load step: loads the library for this Java executable and binds the entry
// point; records the runtime home either way.
bool loadJvmForExecutable(const char* javaExecutable);
void* loadJvmLibrary(const char* javaExecutable);
void* loadFromBinDirectory(const char* javaExecutable);
void* tryJvmDll(const char* binDirectory, const char* kind);
bool bindCreateJavaVM(void* library);
