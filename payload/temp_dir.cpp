#include "payload/temp_dir.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "diag/errors.h"
#include "diag/log.h"
#include "fs/paths.h"
#include "fs/platform.h"
#include "fs/text_buffer.h"
#include "payload/config_ids.h"

namespace {

bool endsWithSeparator(const char* path)
{
    size_t len = std::strlen(path);
    return len > 0 && (path[len - 1] == '\\' || path[len - 1] == '/');
}

bool tryCandidate(char* path, const char* candidate)
{
    if (!isWritableDir(candidate))
        return false;
    copyBounded(path, kTextBufferSize, candidate);
    return true;
}

// The temporary path holds characters the 8-bit code page cannot represent:
// look for a directory that works with 8-bit names.
void chooseFallbackDir(char* path)
{
    char windowsDir[kTextBufferSize];
    windowsDirectoryPath(windowsDir, sizeof windowsDir);
    char candidate[kTextBufferSize];
    joinPath(candidate, sizeof candidate, windowsDir, "temp");
    if (windowsDir[0] != '\0' && tryCandidate(path, candidate))
        return;
    if (tryCandidate(path, "c:\\temp") || tryCandidate(path, "c:\\tmp"))
        return;
    if (windowsDir[0] != '\0' && tryCandidate(path, windowsDir))
        return;
    if (isWritableDir("c:\\")) {
        createDirectoryAt("c:\\tmp");
        if (tryCandidate(path, "c:\\tmp"))
            return;
    }
    fatalErrorById(cfg::kMsgNoTempDirectory);
}

} // namespace

bool joinPath(char* out, size_t cap, const char* dir, const char* name)
{
    const char separator[2] = {kPathSeparator, '\0'};
    return formatBounded(out, cap, "%s%s%s", dir, endsWithSeparator(dir) || dir[0] == '\0' ? "" : separator, name);
}

void chooseTempDir(char* path)
{
    unsigned reported = tempPathNarrow(path, kTextBufferSize);
    logInfo("GetTempPath returned %d (last error %d)", static_cast<int>(reported),
            static_cast<int>(lastSystemError()));
    if (path[0] == '\0') {
        char drive[kTextBufferSize];
        char home[kTextBufferSize];
        readEnvironment("HOMEDRIVE", drive, sizeof drive);
        readEnvironment("HOMEPATH", home, sizeof home);
        formatBounded(path, kTextBufferSize, "%s%s", drive, home);
        logInfo("No temp dir defined. Using home %s", path);
    } else if (reported > 0) {
        int made = createDirectoryAt(path) ? 0 : -1;
        logInfo("make dir returned %d", made);
    }
    char longForm[kTextBufferSize];
    if (!longPathName(path, longForm, sizeof longForm))
        copyBounded(longForm, sizeof longForm, path);
    if (std::strchr(longForm, '?') != nullptr)
        chooseFallbackDir(path);
}

bool isWritableDir(const char* path)
{
    char test[kTextBufferSize];
    joinPath(test, sizeof test, path, "kvl_w_testdir");
    removeDirectoryAt(test);
    if (!createDirectoryAt(test))
        return false;
    bool exists = fileExists(test);
    removeDirectoryAt(test);
    return exists;
}

void makeTempFileName(char* path)
{
    char dir[kTextBufferSize];
    chooseTempDir(dir);
    logInfo("tempPath is %s", dir);
    if (!tempFileNameIn(dir, "kvl", path, kTextBufferSize)) {
        logInfo("GetTempFileName failed (last error %d)", static_cast<int>(lastSystemError()));
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        char name[32];
        formatBounded(name, sizeof name, "kvl%d", std::rand());
        joinPath(path, kTextBufferSize, dir, name);
    }
    logInfo("tempFile is %s", path);
}

void processTempFileName(char* path, int processId)
{
    char dir[kTextBufferSize];
    chooseTempDir(dir);
    char name[48];
    formatBounded(name, sizeof name, "kvl_p%d.tmp", processId);
    joinPath(path, kTextBufferSize, dir, name);
}

void emptyDirectory(const char* path)
{
    if (path[0] == '\0' || path[0] == '.')
        return;
    logInfo("emptying %s", path);
    char pattern[kTextBufferSize];
    joinPath(pattern, sizeof pattern, path, "*.*");
    std::vector<DirEntry> entries;
    findEntries(pattern, &entries);
    for (const DirEntry& entry : entries) {
        if (entry.name == "." || entry.name == "..")
            continue;
        char full[kTextBufferSize];
        joinPath(full, sizeof full, path, entry.name.c_str());
        if (entry.isDirectory) {
            logInfo("attempting to remove %s", full);
            removeDirectoryAt(full);
        } else {
            logInfo("attempting to delete %s", full);
            deleteFileAt(full);
        }
    }
}
