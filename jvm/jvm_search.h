// The search for a usable Java runtime on the machine: the preferred location
// file, the configured search sequence (entry 128), the installer location file,
// a last pass over the sequence's directories without version rules, and the
// variables KVELL_JAVA_HOME and QUILLMERE_JAVA_HOME. Buffers hold 8192 bytes.
#pragma once
#include "fs/bounded_text.h"
#include "payload/launch_state.h"

// How the search found the runtime.
enum class JvmSource { None = 0, SearchPath = 1, Directory = 2, Environment = 3, Registry = 4 };

// The location files, in ".quillmere" of the directory of entry 10003.
extern const char* const kPreferredLocationFile;
extern const char* const kInstallerLocationFile;

// Stops at the first runtime that fits the version limits. foundLocation receives
// the directory, the variable name or the S entry's text that succeeded ("" for
// the registry).
// Entries are expanded with state's values.
JvmSource searchJvm(const LaunchState& state, BoundedText& javaExe, BoundedText& foundLocation);

// directory is taken against the launcher's directory and, when packed, restored
// first. With skipVersionCheck it is accepted without looking at the runtime.
bool checkJavaHomeDirectory(char* javaExe, const char* directory, const char* minimum, const char* maximum,
                            bool skipVersionCheck);
// The Java home named by an environment variable; pre-release runtimes refused.
bool checkJavaHomeVariable(char* javaExe, const char* variable, const char* minimum, const char* maximum);
// java.exe in the directories of PATH, in order; pre-release runtimes refused.
// Only absolute entries count: neither the launcher's folder nor the current
// directory is searched, so a java.exe planted beside an installer is never run.
bool checkSearchPath(char* javaExe, const char* minimum, const char* maximum);
// The first absolute PATH entry holding fileName, into out (8192 bytes).
bool findOnPath(const char* fileName, char* out);
// The first line of the location file, less its line end; false when the file
// cannot be read, is empty or its first line does not fit.
bool readLocationFile(char* line, const char* fileName);
