// Unpacking a runtime archive: a gzip-compressed tar (ustar) of regular files
// and directories, read with zlib's gzip functions and our own tar reader.
#pragma once
#include <cstdint>

// Unpacks archive into targetDir, which exists. Entry names are untrusted: one
// that is absolute, has a drive letter, an empty, "." or ".." component, or a
// name field without room for its end, makes the archive damaged; nothing is
// written outside targetDir. Links and other kinds are skipped with their data.
// While a regular file is copied, the dialog's bar (when there is a dialog)
// gets the uncompressed position / totalSize * 100, within 1..100, at most once
// per 200 ms plus once per file. False when the archive is damaged, truncated
// or unreadable (the reason logged); a file that cannot be created is fatal.
bool untarGz(const char* archive, const char* targetDir, void* dialog, int64_t totalSize);
