// The temporary directory (one that works with 8-bit paths) and temporary names.
#pragma once
#include <cstddef>

// Always yields a usable directory or ends the process (message 1015).
void chooseTempDir(char* path);
bool isWritableDir(const char* path);
// An empty temporary file "kvlXXXX.tmp" in the chosen directory, left on disk.
void makeTempFileName(char* path);
// "<temp dir>kvl_p<id>.tmp".
void processTempFileName(char* path, int processId);
// Deletes the files and empty subdirectories of path (no recursion). Refuses an
// empty path and one beginning with ".".
void emptyDirectory(const char* path);

// dir, a separator unless dir already ends with one, then name; false when
// the result had to be cut.
bool joinPath(char* out, size_t cap, const char* dir, const char* name);
