// The runtimes that today's installers leave on a machine, beside the legacy
// JavaSoft keys of registry_jvms.h: the JavaSoft keys of Java 9 and later, the
// vendors' own keys, and the vendors' folders under Program Files. The vendor
// table and its sources are in docs/configuration.md.
#pragma once

// The search entry of type M: of all accepted runtimes the one with the highest
// version (compared by components); of equal versions the first found.
// Pre-release runtimes are refused as for the JavaSoft keys; 32-bit runtimes
// are passed over. javaExe holds 8192 bytes.
bool findInstalledJvm(char* javaExe, const char* minimum, const char* maximum);
