// Finding a runtime through the registry: the keys Java installations write under
// HKEY_LOCAL_MACHINE\SOFTWARE\JavaSoft (read only) and the launcher's own list of
// located JVMs (located_jvms.h). Path and version buffers hold 8192 bytes.
#pragma once

extern const char* const kJavaSoftJreKey;
extern const char* const kJavaSoftJdkKey;

// The search entry of type Y: the higher version of the JavaSoft and the located
// runtime; on equal versions the located one.
bool findRegisteredJvm(char* javaExe, const char* minimum, const char* maximum);

// The "CurrentVersion" runtime, else the sub-keys of the JRE key (unless a JDK is
// required), else those of the JDK key. Pre-release runtimes are refused.
bool findJavaSoftJvm(char* javaExe, char* version, const char* minimum, const char* maximum);
// The runtime named by "CurrentVersion" of the JDK or the JRE key, the higher of
// the two that lie in range; on equal versions the JRE.
bool findCurrentVersionJvm(char* javaExe, char* version, const char* minimum, const char* maximum);
// The sub-keys of keyPath whose names lie in range, highest name first; the first
// whose "JavaHome" holds a usable runtime.
bool findEnumeratedJvm(char* javaExe, char* version, const char* minimum, const char* maximum,
                       const char* keyPath);
