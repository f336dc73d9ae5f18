#include "payload/run_files.h"

#include <cctype>
#include <string>
#include <vector>

#include "diag/log.h"
#include "fs/paths.h"
#include "fs/platform.h"
#include "fs/text_buffer.h"
#include "payload/temp_dir.h"

namespace {
constexpr char kDirSuffix[] = "_dir";

// "kvl", one to four hex digits, ".tmp_dir": the names GetTempFileName gives a
// run (prefix "kvl") with the extraction directory's suffix. Nothing else is ours.
bool isRunDirectoryName(const std::string& name)
{
    const std::string tail = std::string(".tmp") + kDirSuffix;
    if (name.size() < 3 + 1 + tail.size() || name.compare(0, 3, "kvl") != 0 ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    size_t digits = name.size() - 3 - tail.size();
    if (digits > 4)
        return false;
    for (size_t i = 3; i < 3 + digits; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(name[i])))
            return false;
    }
    return true;
}

// The temporary file that belongs to an extraction directory.
std::string runFileOf(const std::string& directory)
{
    return directory.substr(0, directory.size() - (sizeof kDirSuffix - 1));
}

// Removes directory, then runFile; when the directory cannot go entirely,
// runFile stays (or comes back, empty) so that a later sweep tries again.
bool removePair(const std::string& directory, const std::string& runFile)
{
    if (!removeDirectoryTree(directory.c_str())) {
        if (!fileExists(runFile.c_str())) {
            FileHandle recreated = createFileWrite(runFile.c_str());
        }
        logInfo("Left %s for a later run to remove (in use)", directory.c_str());
        return false;
    }
    deleteFileAt(runFile.c_str());
    return true;
}
} // namespace

void holdRunFile(LaunchState& state, const char* tempFile)
{
    state.runFileLock = openFileRead(tempFile);
}

void removeRunFiles(LaunchState& state)
{
    std::string directory = state.extractionDir.c_str();
    if (directory.empty() || !isOpen(state.runFileLock))
        return;  // nothing extracted, or already removed
    state.runFileLock.reset();
    // The installer's working directory is the extraction directory, which
    // cannot go while it is any process's current directory.
    setCurrentDirectoryPath(state.startDirectory.c_str());
    if (removePair(directory, runFileOf(directory)))
        logInfo("Removed %s", directory.c_str());
}

void sweepEarlierRuns()
{
    char temp[kTextBufferSize];
    chooseTempDir(temp);
    char pattern[kTextBufferSize];
    joinPath(pattern, sizeof pattern, temp, "kvl*.tmp_dir");
    std::vector<DirEntry> entries;
    findEntries(pattern, &entries);
    for (const DirEntry& entry : entries) {
        if (!entry.isDirectory || !isRunDirectoryName(entry.name))
            continue;
        char directory[kTextBufferSize];
        if (!joinPath(directory, sizeof directory, temp, entry.name.c_str()))
            continue;
        std::string runFile = runFileOf(directory);
        // A live run holds its file open: deleting it fails, and its directory stays.
        if (!fileExists(runFile.c_str()) || !deleteFileAt(runFile.c_str()))
            continue;
        logInfo("Removing the files of an earlier run: %s", directory);
        removePair(directory, runFile);
    }
}
