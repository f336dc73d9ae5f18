// Whether a runtime's jvm.dll can be loaded into this process at all: a 64-bit
// process loads only 64-bit libraries, and a 32-bit runtime would otherwise be
// chosen and then fail with a confusing load error.
#pragma once
#include <cstdint>

// The machine field of the PE file at path; false when it is not a PE file.
bool readPeMachine(const char* path, uint16_t* machine);

// True unless the file at path is a library for another machine than this
// process's (logged), or not a library at all.
bool jvmLibraryFits(const char* path);

// The jvm.dll files a Java executable would be loaded from (its bin directory's
// VM kinds, then those of the runtime inside a JDK): true when one of those
// that exist fits this process, or none exists (the load step then decides).
bool runtimeFitsProcess(const char* javaExe);
