#include "payload/included_files.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "diag/errors.h"
#include "diag/log.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "payload/included_name_rule.h"
#include "payload/load_payload.h"
#include "payload/payload_reader.h"
#include "payload/scramble.h"
#include "payload/run_files.h"
#include "payload/temp_dir.h"

namespace {
constexpr uint32_t kCopyBufferSize = 8192;
// Failures that end the process; the caller removes the directory first.
constexpr int kRecordMissing = -1;
constexpr int kCannotCreate = -2;

void removeExtractionDir(const char* dir)
{
    emptyDirectory(dir);
    removeDirectoryAt(dir);
}
} // namespace

bool mayExtractNames(const std::vector<std::string>& names)
{
    std::vector<WideString> wides;
    for (const std::string& name : names) {
        WideString wide = wideFromAnsi(name.c_str());
        IncludedNameFault fault = includedNameFault(wide);
        if (fault != IncludedNameFault::None) {
            logError("Included file name %s: %s", includedNameFaultText(fault), name.c_str());
            return false;
        }
        for (const WideString& earlier : wides) {
            if (sameFileNameIgnoringCase(earlier, wide)) {
                // One would overwrite the other.
                logError("Included file name differs from an earlier one only in letter case: %s", name.c_str());
                return false;
            }
        }
        wides.push_back(wide);
    }
    return true;
}

void descrambleBuffer(unsigned char* data, size_t size)
{
    uint64_t key;
    std::memset(&key, kScrambleByte, sizeof key);
    size_t i = 0;
    for (; i + sizeof key <= size; i += sizeof key) {
        uint64_t word;
        std::memcpy(&word, data + i, sizeof word);
        word ^= key;
        std::memcpy(data + i, &word, sizeof word);
    }
    for (; i < size; ++i)
        data[i] ^= kScrambleByte;
}

int copyBytes(const FileHandle& source, const FileHandle& target, int64_t size, bool descramble)
{
    alignas(16) unsigned char buffer[kCopyBufferSize];
    int64_t copied = 0;
    while (copied < size) {
        int64_t left = size - copied;
        uint32_t want = left < kCopyBufferSize ? static_cast<uint32_t>(left) : kCopyBufferSize;
        uint32_t got = 0;
        if (!readFileBytes(source, buffer, want, &got) || got == 0) {
            logError("ReadFile failed %d %d %" PRId64, static_cast<int>(got), static_cast<int>(lastSystemError()),
                     copied);
            return kCopyReadFailed;
        }
        if (descramble)
            descrambleBuffer(buffer, got);
        uint32_t done = 0;
        while (done < got) {
            uint32_t written = 0;
            if (!writeFileBytes(target, buffer + done, got - done, &written) || written == 0) {
                logError("WriteFile failed %d %d", static_cast<int>(got - done), static_cast<int>(lastSystemError()));
                return kCopyWriteFailed;
            }
            done += written;
        }
        copied += got;
    }
    return kCopyOk;
}

int copyIncludedFile(const FileHandle& launcher, const char* target)
{
    int64_t size = 0;
    if (!readLong(launcher, &size))
        return kRecordMissing;
    logInfo("extracting %s (size: %" PRId64 ")", target, size);
    if (size <= 0)
        return kCopyOk;
    FileHandle out = createFileWrite(target);
    if (!isOpen(out))
        return kCannotCreate;
    return copyBytes(launcher, out, size, true);
}

int extractIncludedFiles(LaunchState& state)
{
    logInfo("extracting files");
    int count = getInt(cfg::kIncludedFileCount);
    logInfo("Included files: %d", count);
    BoundedText& dirText = state.extractionDir;
    dirText.clear();
    state.unextractedPosition = 0;
    char* dir = dirText.data();
    if (count <= 0)
        return kCopyOk;
    // Refused names fail the extraction like a write, before anything is written.
    char names[kTextBufferSize];
    getString(cfg::kIncludedFileNames, names, sizeof names);
    std::vector<std::string> toExtract = splitList(names);
    if (toExtract.size() > static_cast<size_t>(count))
        toExtract.resize(static_cast<size_t>(count));
    if (!mayExtractNames(toExtract))
        return kCopyWriteFailed;

    FileHandle launcher = openLauncherFile();
    seekFile(launcher, state.includedFilesOffset);
    char tempFile[kTextBufferSize];
    makeTempFileName(tempFile);
    holdRunFile(state, tempFile);
    dirText.format("%s_dir", tempFile);
    logInfo("Temp dir: %s", dir);
    // Only this user: the temporary folder may be one that others can write.
    if (!createPrivateDirectoryAt(dir))
        fatalErrorById(cfg::kMsgInternalError, "7");

    for (const std::string& name : toExtract) {
        char target[kTextBufferSize];
        joinPath(target, sizeof target, dir, name.c_str());
        int result = copyIncludedFile(launcher, target);
        if (result == kRecordMissing) {
            unsigned error = lastSystemError();
            removeExtractionDir(dir);
            std::printf("error %d\n", static_cast<int>(error));
            fatalError("Internal Error: readLong");
        }
        if (result == kCannotCreate) {
            logError("Could not create %s (error %d)", target, static_cast<int>(lastSystemError()));
            removeExtractionDir(dir);
            fatalErrorById(cfg::kMsgInternalError, "11");
        }
        if (result != kCopyOk) {
            logError("Failed to extract %s", target);
            removeExtractionDir(dir);
            return result;
        }
    }
    state.unextractedPosition = tellFile(launcher);
    logInfo("extracting files done");
    return kCopyOk;
}
