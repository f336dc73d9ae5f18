// The launcher's list of located JVMs: Java executables a user once picked by
// hand and that then loaded, one sub-key each under
// SOFTWARE\brisco-labworks\kvell\locatedjvms in HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE. Entries are added, never removed; one whose runtime has
// gone is refused by checkJavaExe. Path and version buffers hold 8192 bytes.
#pragma once
#include "fs/registry.h"

// The better of the two roots' best runtimes; on equal versions the machine-wide one.
bool findLocatedJvm(char* javaExe, char* version, const char* minimum, const char* maximum);
// The highest accepted version listed under root (pre-release runtimes allowed);
// of equal versions the first listed.
bool scanLocatedJvms(RegRoot root, char* javaExe, char* version, const char* minimum, const char* maximum);
// Adds javaExe under HKEY_LOCAL_MACHINE, else under HKEY_CURRENT_USER.
void registerLocatedJvm(const char* javaExe);
