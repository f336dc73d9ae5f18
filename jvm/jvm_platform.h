// The operating-system services the JVM search needs beyond fs/platform.h: the
// registry, hidden child processes and short path names. jvm_platform_win.cpp
// implements them with Win32; jvm_platform_posix.cpp gives the host build real
// child processes (its registry is the test bed's, tests/support).
#pragma once
#include <cstddef>
#include <cstdint>

#include "fs/unique_handle.h"

// ---- registry --------------------------------------------------------------
enum class RegRoot { CurrentUser, LocalMachine };

struct RegKeyTraits {
    using Raw = intptr_t;
    static constexpr Raw kNone = 0;
    static void close(Raw raw);
};
// An open registry key; closed when it goes.
using RegKey = UniqueHandle<RegKeyTraits>;

constexpr uint32_t kRegString = 1;        // REG_SZ
constexpr uint32_t kRegExpandString = 2;  // REG_EXPAND_SZ
constexpr uint32_t kRegBinary = 3;        // REG_BINARY

// Opens path (no trailing backslash) under root with read access.
bool regOpenRead(RegRoot root, const char* path, RegKey* key);
// Creates or opens path under root: non-volatile, all access.
bool regCreate(RegRoot root, const char* path, RegKey* key);
// The value's bytes into buf; false when it is missing or does not fit in cap.
bool regQueryValue(const RegKey& key, const char* name, void* buf, uint32_t cap, uint32_t* size, uint32_t* type);
bool regSetValue(const RegKey& key, const char* name, uint32_t type, const void* data, uint32_t size);

enum class RegEnum { Ok, NoMore, TooLong, Failed };
// Name of the index-th sub-key (capacity cap, terminator included).
RegEnum regEnumSubKey(const RegKey& key, uint32_t index, char* name, uint32_t cap);

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

// ---- names -------------------------------------------------------------------
// GetShortPathNameA; false when it fails or does not fit.
bool shortPathName(const char* path, char* out, size_t cap);
