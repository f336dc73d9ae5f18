#include "installer/untar_gz.h"

#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <limits>

#include "diag/errors.h"
#include "diag/log.h"
#include "fs/platform.h"
#include "fs/text_buffer.h"
#include "installer/progress.h"
#include "installer/untar_writer.h"
#include "payload/tar_header.h"
#include "payload/temp_dir.h"

namespace {
using Clock = std::chrono::steady_clock;

// Fewer, larger reads: 5 to 9% faster on a runtime archive than zlib's 8 KiB default.
constexpr unsigned kGzBufferSize = 128 * 1024;
constexpr int64_t kBlock = kTarBlockSize;
// zlib counts positions in z_off_t, a 32-bit long on Windows: past it its
// seeks and positions would wrap, so the archive ends there.
constexpr int64_t kMaxPosition = std::numeric_limits<z_off_t>::max();
constexpr auto kProgressInterval = std::chrono::milliseconds(200);

struct GzTraits {
    using Raw = gzFile;
    static constexpr Raw kNone = nullptr;
    static void close(Raw raw) { gzclose(raw); }
};
using GzFile = UniqueHandle<GzTraits>;

struct Progress {
    void* dialog;
    int64_t totalSize;
    Clock::time_point last;
};

void sendProgress(gzFile gz, Progress& progress)
{
    if (progress.dialog == nullptr)
        return;
    setProgressBarPosition(progress.dialog, progressPosition(gztell(gz), progress.totalSize));
    progress.last = Clock::now();
}

// Hands the entry's size bytes from the archive to the writer, for a new file
// at path. The log lines of every failure come out in the writer's order.
bool extractTarEntry(gzFile gz, UntarWriter& writer, const char* path, const char* name, int32_t size,
                     Progress& progress)
{
    writer.openFile(path, name, size);
    int32_t count = 0;
    while (count < size && !writer.failed()) {
        uint32_t room = 0;
        unsigned char* buffer = writer.dataRoom(static_cast<uint32_t>(size - count), &room);
        int got = gzread(gz, buffer, room);
        if (got <= 0)
            break;
        writer.appendData(static_cast<uint32_t>(got));
        count += got;
        if (progress.dialog != nullptr && Clock::now() - progress.last > kProgressInterval)
            sendProgress(gz, progress);
    }
    writer.closeFile();
    if (count < size) {
        writer.logErrorLater("sizes don't match: %d, %d", static_cast<int>(count), static_cast<int>(size));
        return false;
    }
    return true;
}

// No header where one was due. zlib reports a gzip stream cut short only
// through gzerror, and a skip past the end only through the position it reached.
bool endOfArchive(gzFile gz, UntarWriter& writer, int64_t headerPosition, bool wroteFile)
{
    int error = Z_OK;
    gzerror(gz, &error);
    if (error == Z_BUF_ERROR || gztell(gz) != headerPosition || !wroteFile) {
        writer.logErrorLater("unexpected eof");
        return false;
    }
    return true;
}

enum class HeaderRead { Whole, Nothing, Failed };

// Never a part: what a short read leaves in header is not a header.
HeaderRead readHeader(gzFile gz, UntarWriter& writer, unsigned char* header)
{
    int got = gzread(gz, header, kTarBlockSize);
    if (got < 0) {
        writer.logErrorLater("gzread failed");
        return HeaderRead::Failed;
    }
    if (got == 0)
        return HeaderRead::Nothing;
    if (got < static_cast<int>(kTarBlockSize)) {
        writer.logErrorLater("unexpected eof");
        return HeaderRead::Failed;
    }
    return HeaderRead::Whole;
}

bool entryPath(UntarWriter& writer, const unsigned char* header, bool directory, const char* targetDir, char* path,
               char* name)
{
    TarNameFault fault = tarEntryName(header, directory, kPathSeparator, name);
    if (fault != TarNameFault::None) {
        writer.logErrorLater("refused entry name %.100s: it %s", reinterpret_cast<const char*>(header),
                             tarNameFaultText(fault));
        return false;
    }
    if (!joinPath(path, kTextBufferSize, targetDir, name)) {
        writer.logErrorLater("entry path too long: %s", name);
        return false;
    }
    return true;
}

bool skipBytes(gzFile gz, UntarWriter& writer, int64_t count, const char* failure)
{
    if (count > 0 && gzseek(gz, static_cast<z_off_t>(count), SEEK_CUR) == -1) {
        writer.logErrorLater("%s", failure);
        return false;
    }
    return true;
}

// Every error line goes through the writer: it logs them in order with its
// own, and none that follows a failure of its own.
bool untarEntries(gzFile gz, UntarWriter& writer, const char* targetDir, Progress& progress)
{
    unsigned char header[kTarBlockSize];
    bool wroteFile = false;
    int64_t position = 0;  // uncompressed offset of the next header
    while (!writer.failed()) {
        HeaderRead read = readHeader(gz, writer, header);
        if (read != HeaderRead::Whole)
            return read == HeaderRead::Nothing && endOfArchive(gz, writer, position, wroteFile);
        if (!hasUstarMagic(header)) {
            if (!wroteFile)
                writer.logErrorLater("no magic number");
            return wroteFile;
        }
        int32_t entrySize = 0;
        if (!parseTarSize(header, &entrySize)) {
            writer.logErrorLater("damaged size field in the header of %.100s", reinterpret_cast<const char*>(header));
            return false;
        }
        int64_t padding = (kBlock - entrySize % kBlock) % kBlock;
        int64_t next = position + kBlock + entrySize + padding;
        if (next > kMaxPosition) {
            writer.logErrorLater("archive larger than %lld bytes", static_cast<long long>(kMaxPosition));
            return false;
        }
        int64_t size = entrySize;  // left to skip
        char type = tarTypeFlag(header);
        if (type == kTarDirectory || type == kTarRegularFile) {
            char path[kTextBufferSize];
            char name[kTarNameSize + 1];
            if (!entryPath(writer, header, type == kTarDirectory, targetDir, path, name))
                return false;
            if (type == kTarRegularFile) {
                sendProgress(gz, progress);
                if (!extractTarEntry(gz, writer, path, name, entrySize, progress)) {
                    writer.logErrorLater("extract file failed");
                    return false;
                }
                wroteFile = true;
                size = 0;  // copied
            } else {
                writer.createDirectory(path);
            }
        }
        // What was not copied is skipped: links, extended headers, GNU long
        // names, the old NUL type, the (unused) data of a directory.
        if (!skipBytes(gz, writer, size, "gzseek 2 failed"))
            return false;
        if (!skipBytes(gz, writer, padding, "gzseek 3 failed"))
            return false;
        position = next;
    }
    return false;  // the writer has logged why
}
} // namespace

bool untarGz(const char* archive, const char* targetDir, void* dialog, int64_t totalSize)
{
    GzFile gz(gzopen(archive, "rb"));
    bool done = false;
    if (!gz) {
        logError("Could not open gz-file");
    } else {
        gzbuffer(gz.get(), kGzBufferSize);
        Progress progress{dialog, totalSize, Clock::now()};
        UntarWriter writer;
        done = untarEntries(gz.get(), writer, targetDir, progress);
        // Everything queued is done, every file closed: a caller that fails
        // may remove the tree, and nothing is written into it afterwards.
        done = writer.finish() && done;
        if (writer.fatalMessage() != nullptr)
            fatalError(writer.fatalMessage());
    }
    gz.reset();
    if (done)
        logInfo("untaring JRE was successful");
    else
        logError("untaring JRE was unsuccessful");
    return done;
}
