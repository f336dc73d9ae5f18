// Whether one Java runtime on the machine is usable: its executable, its version
// (cached per executable in the registry) and the configured version limits.
#pragma once

// The Java executable of a home directory (buffer of 8192 bytes): home\jre\bin\java.exe,
// else home\bin\java.exe. When a JDK is required (entry 131) only the first counts,
// and only when home\lib\tools.jar exists.
bool javaExeForHome(const char* home, char* javaExe);

// javaExe (8192 bytes) is rewritten to its full lower-cased path and, for windowed
// programs (entry 107 is 1), to the javaw.exe beside it. version (8192 bytes)
// receives the version that was found, also when the runtime is refused. Without
// readCache the version is established afresh (and still written to the cache).
bool checkJavaExe(char* javaExe, char* version, const char* minimum, const char* maximum, bool allowBeta,
                  bool readCache = true);

// checkJavaExe with the cache read only when useCache, the version thrown away.
bool verifyJavaExe(char* javaExe, const char* minimum, const char* maximum, bool allowBeta, bool useCache);
