// What the fuzz targets share: one scratch directory per process, removed at
// exit. Its "run" directory is the launcher's directory, TMP and the temporary
// directory, emptied after every input; "fixed" holds files that stay.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Creates the scratch directory on first use and points KVELL_LAUNCHER_PATH
// (runPath("launcher.exe")), TMP and TMPDIR into it.
void initScratch();
std::string runPath(const std::string& name);
std::string fixedPath(const std::string& name);
void writeFile(const std::string& path, const uint8_t* data, size_t size);
std::string readFile(const std::string& path);
// Removes everything the last input left in "run".
void emptyRunDir();

// The input cut at every separator byte (empty pieces kept).
std::vector<std::string> splitInput(const uint8_t* data, size_t size, char separator);
// Well-formed UTF-8 without surrogates or overlong forms, as TOML strings are.
bool isUtf8(const std::string& text);

// Ends the process with a libFuzzer crash report when a property does not hold.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition))                                                                      \
            fuzzCheckFailed(#condition, __FILE__, __LINE__);                                    \
    } while (0)
[[noreturn]] void fuzzCheckFailed(const char* condition, const char* file, int line);
