// Packing a runtime directory as jre.tar.gz: a tar stream written through
// zlib's deflate straight into the file, one chunk at a time.
#include <algorithm>
#include <climits>
#include <filesystem>
#include <utility>
#include <vector>

#include <zlib.h>

#include "file_io.h"
#include "runtime_archive.h"

namespace fs = std::filesystem;

namespace kvellpack {

namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr int kGzipUnknownOs = 255;

bool fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

struct Writer {
    FileHandle out;
    z_stream z{};
    // No time, no name, a fixed system byte: the gzip header is the same on
    // Linux and Windows.
    gz_header gzipHeader{};
    std::vector<unsigned char> buffer = std::vector<unsigned char>(kChunk);
    RuntimeArchiveSummary* summary = nullptr;
    std::string error;
};

// Deflates size bytes (at most kChunk) of the tar stream into the file.
bool put(Writer& w, const void* data, size_t size, bool finish = false)
{
    w.z.next_in = static_cast<Bytef*>(const_cast<void*>(data));
    w.z.avail_in = static_cast<uInt>(size);
    w.summary->unpackedSize += static_cast<int64_t>(size);
    for (;;) {
        w.z.next_out = w.buffer.data();
        w.z.avail_out = static_cast<uInt>(w.buffer.size());
        int result = deflate(&w.z, finish ? Z_FINISH : Z_NO_FLUSH);
        if (result == Z_STREAM_ERROR || !writeAll(w.out, w.buffer.data(), w.buffer.size() - w.z.avail_out))
            return fail(&w.error, "cannot write the archive");
        if (finish ? result == Z_STREAM_END : w.z.avail_out != 0)
            return true;
    }
}

bool putHeader(Writer& w, const TarEntry& entry)
{
    if (entry.name.size() > kMaxTarName)
        return fail(&w.error, "'" + entry.name + "' is " + std::to_string(entry.name.size()) +
                                  " bytes long as an archive name; the launcher reads names of at most 99 bytes");
    if (!checkTarName(entry.name, entry.type == kTarDirectory, &w.error))
        return false;
    unsigned char block[kTarBlockSize];
    makeTarHeader(entry, block);
    tallyTarEntry(entry, w.summary);
    return put(w, block, kTarBlockSize);
}

// The file's bytes, then zeros up to the next block.
bool putContents(Writer& w, const fs::path& path, const TarEntry& entry)
{
    FileHandle in = openFileRead(path.string().c_str());
    if (!isOpen(in))
        return fail(&w.error, "cannot read '" + entry.name + "'");
    std::vector<unsigned char> chunk(kChunk);  // w.buffer holds deflate's output
    int64_t left = entry.size;
    while (left > 0) {
        uint32_t got = 0;
        uint32_t want = static_cast<uint32_t>(std::min<int64_t>(left, kChunk));
        if (!readFileBytes(in, chunk.data(), want, &got))
            return fail(&w.error, "cannot read '" + entry.name + "'");
        if (got == 0)
            break;
        if (!put(w, chunk.data(), got))
            return false;
        left -= got;
    }
    unsigned char extra = 0;
    uint32_t more = 0;
    if (left != 0 || (readFileBytes(in, &extra, 1, &more) && more > 0))
        return fail(&w.error, "'" + entry.name + "' changed size while it was being packed");
    std::vector<unsigned char> padding(static_cast<size_t>(paddedTarSize(entry.size) - entry.size), 0);
    return padding.empty() || put(w, padding.data(), padding.size());
}

// The entries of dir, sorted by name, each directory followed by its contents;
// prefix is dir's name in the archive ("" or ending in "/").
bool putTree(Writer& w, const fs::path& dir, const std::string& prefix)
{
    std::vector<std::pair<std::string, fs::path>> children;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        children.emplace_back(it->path().filename().string(), it->path());
    if (ec)
        return fail(&w.error, "cannot list '" + (prefix.empty() ? std::string(".") : prefix) + "': " + ec.message());
    std::sort(children.begin(), children.end());
    for (const auto& [name, path] : children) {
        std::string inArchive = prefix + name;
        fs::file_status status = fs::symlink_status(path, ec);
        if (fs::is_symlink(status))
            return fail(&w.error, "'" + inArchive + "' is a symbolic link; kvellpack does not follow links "
                                                    "(put the file or directory itself there)");
        if (fs::is_directory(status)) {
            if (!putHeader(w, TarEntry{inArchive + "/", kTarDirectory, 0}) || !putTree(w, path, inArchive + "/"))
                return false;
        } else if (fs::is_regular_file(status)) {
            int64_t size = static_cast<int64_t>(fs::file_size(path, ec));
            if (ec)
                return fail(&w.error, "cannot read '" + inArchive + "': " + ec.message());
            if (size > kMaxTarFileSize)
                return fail(&w.error, "'" + inArchive + "' is " + std::to_string(size) +
                                          " bytes; the launcher unpacks files below 2 GiB");
            TarEntry entry{inArchive, kTarRegularFile, size};
            if (!putHeader(w, entry) || !putContents(w, path, entry))
                return false;
        } else {
            return fail(&w.error, "'" + inArchive + "' is neither a regular file nor a directory");
        }
    }
    return true;
}

bool writeArchive(Writer& w, const std::string& dir)
{
    w.gzipHeader.os = kGzipUnknownOs;
    if (deflateInit2(&w.z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return fail(&w.error, "cannot start zlib");
    bool ok = deflateSetHeader(&w.z, &w.gzipHeader) == Z_OK || fail(&w.error, "cannot start zlib");
    // Two zero blocks end a tar archive.
    std::vector<unsigned char> end(2 * kTarBlockSize, 0);
    ok = ok && putTree(w, fs::path(dir), "") && put(w, end.data(), end.size()) && put(w, nullptr, 0, true);
    deflateEnd(&w.z);
    if (ok && w.summary->unpackedSize > INT_MAX)
        ok = fail(&w.error, "the runtime unpacks to " + std::to_string(w.summary->unpackedSize) +
                                " bytes, more than the launcher's entry 151 can hold (2147483647)");
    return ok;
}

}  // namespace

bool writeRuntimeArchive(const std::string& dir, const std::string& outPath, RuntimeArchiveSummary* summary,
                         std::string* error)
{
    *summary = RuntimeArchiveSummary();
    Writer w;
    w.summary = summary;
    w.out = createFileWrite(outPath.c_str());
    if (!isOpen(w.out))
        return fail(error, "cannot write '" + outPath + "'");
    bool ok = writeArchive(w, dir);
    w.out.reset();
    if (!ok) {
        deleteFileAt(outPath.c_str());
        *error = w.error;
    }
    return ok;
}

}  // namespace kvellpack
