// The operating-system services the JVM search needs beyond fs/platform.h and
// fs/registry.h: hidden child processes and short path names.
// jvm_platform_win.cpp implements them with Win32; jvm_platform_posix.cpp gives
// the host build real child processes.
#pragma once
#include <cstddef>
#include <cstdint>

#include "fs/unique_handle.h"

// ---- hidden child processes ---------------------------------------------------
struct ProcessTraits {
    using Raw = intptr_t;
    static constexpr Raw kNone = 0;
    static void close(Raw raw);
};
using ProcessHandle = UniqueHandle<ProcessTraits>;
// A started child: its process and main thread, closed when it goes (the
// child itself runs on).
struct ChildProcess {
    ProcessHandle process;
    ProcessHandle thread;
};

constexpr unsigned kWaitForever = 0xFFFFFFFFu;

// Starts commandLine (its first token names the program) with no window, the
// launcher's environment and current directory, inheritable handles inherited.
// With stderrPath, that file is created anew and becomes the child's only
// standard handle (standard error); when it cannot be created the child runs
// without it. false: not started, *error holds the system's error code.
bool startHiddenProcess(const char* commandLine, const char* stderrPath, ChildProcess* child, unsigned* error);
// true when the child ended within timeoutMs; *exitCode is then its exit code.
bool waitForProcess(const ChildProcess& child, unsigned timeoutMs, unsigned* exitCode);
// Ends the child with exitCode and waits briefly until it is gone.
void terminateProcess(const ChildProcess& child, unsigned exitCode);

// ---- libraries -----------------------------------------------------------------
// The PE machine of this process (IMAGE_FILE_MACHINE_AMD64), or 0 where
// libraries are not PE files (the host build).
extern const uint16_t kProcessPeMachine;

// ---- names -------------------------------------------------------------------
// GetShortPathNameA; false when it fails or does not fit.
bool shortPathName(const char* path, char* out, size_t cap);
