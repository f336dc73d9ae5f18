// The system services single-instance mode needs: the named semaphore that
// marks a running instance and the executable behind a process id.
// instance_platform_win.cpp implements them with Win32; on the host
// (instance_platform_posix.cpp) every start is a first instance.
#pragma once
#include <cstddef>
#include <cstdint>

#include "fs/unique_handle.h"

struct SemaphoreTraits {
    using Raw = intptr_t;
    static constexpr Raw kNone = 0;
    static void close(Raw raw);
};
using SemaphoreHandle = UniqueHandle<SemaphoreTraits>;

// ERROR_ALREADY_EXISTS: the semaphore was made by a running instance.
constexpr unsigned kErrorAlreadyExists = 183;

// Creates (or opens) the semaphore name with count 1 of 1 and default
// security; *error is the system's error code right after the call.
SemaphoreHandle createInstanceSemaphore(const char* name, unsigned* error);

// The executable of process pid as a narrow path (the short form when the
// code page cannot represent the long one); false when the process cannot be
// asked (gone, no access) or the path does not fit.
bool processImagePath(uint32_t pid, char* out, size_t cap);
