// The process id of the first instance of each launcher path, kept under the
// current user's key so that a second start knows whose windows to raise.
#pragma once
#include <cstdint>

// The key under HKEY_CURRENT_USER; one REG_DWORD per instance path.
extern const char* const kInstancePidsKey;

// Records pid for instancePath; a registry failure is silent (the instance
// still runs, a later second start just finds nothing to raise).
void writeInstancePid(const char* instancePath, uint32_t pid);
// The recorded pid, or 0 when there is none or it is not exactly 4 bytes.
uint32_t readInstancePid(const char* instancePath);
