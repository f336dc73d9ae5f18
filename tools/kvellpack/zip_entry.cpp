#include "zip_entry.h"

#include <algorithm>
#include <vector>

#include <zlib.h>

#include "file_io.h"
#include "fs/platform.h"

namespace kvellpack {

namespace {

constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr int64_t kEndSize = 22;
constexpr int64_t kCentralSize = 46;
constexpr int64_t kLocalSize = 30;
constexpr int64_t kMaxComment = 0xFFFF;
constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflated = 8;
constexpr uint16_t kEncrypted = 1;
constexpr uint32_t kZip64Offset = 0xFFFFFFFF;

ZipRead failed(std::string* error, const std::string& why)
{
    *error = why;
    return ZipRead::Failed;
}

bool sameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

struct Entry {
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t packedSize = 0;
    uint32_t size = 0;
    uint32_t localHeader = 0;
};

// The end record sits in the last 22 bytes plus a comment of up to 64 KiB.
bool findEnd(const FileHandle& file, int64_t fileSize, uint32_t* directory, uint32_t* directorySize, uint16_t* count)
{
    int64_t span = std::min(fileSize, kEndSize + kMaxComment);
    std::vector<unsigned char> tail(static_cast<size_t>(span));
    if (span < kEndSize || !readAt(file, fileSize - span, tail.data(), static_cast<uint32_t>(span)))
        return false;
    for (int64_t at = span - kEndSize; at >= 0; --at) {
        const unsigned char* end = &tail[static_cast<size_t>(at)];
        if (getLe32(end) != kEndSignature)
            continue;
        *count = getLe16(end + 10);
        *directorySize = getLe32(end + 12);
        *directory = getLe32(end + 16);
        return *directory == kZip64Offset || static_cast<int64_t>(*directory) + *directorySize <= fileSize - span + at;
    }
    return false;
}

// Walks the central directory for name; false when it is damaged.
bool findEntry(const std::vector<unsigned char>& directory, uint16_t count, const std::string& name, Entry* entry,
               bool* found)
{
    size_t at = 0;
    *found = false;
    for (uint16_t i = 0; i < count; ++i) {
        if (at + kCentralSize > directory.size() || getLe32(&directory[at]) != kCentralSignature)
            return false;
        const unsigned char* header = &directory[at];
        size_t nameLength = getLe16(header + 28);
        size_t next = at + kCentralSize + nameLength + getLe16(header + 30) + getLe16(header + 32);
        if (next > directory.size())
            return false;
        std::string entryName(reinterpret_cast<const char*>(header + kCentralSize), nameLength);
        if (sameName(entryName, name)) {
            *entry = Entry{getLe16(header + 8), getLe16(header + 10), getLe32(header + 20), getLe32(header + 24),
                           getLe32(header + 42)};
            *found = true;
            return true;
        }
        at = next;
    }
    return true;
}

bool inflateRaw(const std::vector<unsigned char>& packed, uint32_t size, std::string* bytes)
{
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)  // a raw deflate stream: no zlib or gzip wrapper
        return false;
    bytes->assign(size, '\0');
    z.next_in = const_cast<unsigned char*>(packed.data());
    z.avail_in = static_cast<uInt>(packed.size());
    z.next_out = reinterpret_cast<unsigned char*>(bytes->data());
    z.avail_out = size;
    int result = inflate(&z, Z_FINISH);
    bool ok = result == Z_STREAM_END && z.total_out == size;
    inflateEnd(&z);
    return ok;
}

ZipRead readEntryData(const FileHandle& file, int64_t fileSize, const Entry& entry, std::string* bytes,
                      std::string* error)
{
    if ((entry.flags & kEncrypted) != 0)
        return failed(error, "is encrypted");
    if (entry.method != kStored && entry.method != kDeflated)
        return failed(error, "is compressed with method " + std::to_string(entry.method) +
                                 " (kvellpack reads stored and deflated entries)");
    if (entry.size > kMaxZipEntrySize || entry.packedSize > kMaxZipEntrySize)
        return failed(error, "is larger than " + std::to_string(kMaxZipEntrySize) + " bytes");
    unsigned char local[kLocalSize];
    if (!readAt(file, entry.localHeader, local, kLocalSize) || getLe32(local) != kLocalSignature)
        return failed(error, "has no local header where the directory says");
    int64_t data = static_cast<int64_t>(entry.localHeader) + kLocalSize + getLe16(local + 26) + getLe16(local + 28);
    std::vector<unsigned char> packed(entry.packedSize);
    bool inside = data + entry.packedSize <= fileSize;
    if (!inside || (entry.packedSize > 0 && !readAt(file, data, packed.data(), entry.packedSize)))
        return failed(error, "is cut short");
    if (entry.method == kStored) {
        if (entry.packedSize != entry.size)
            return failed(error, "is stored with two different sizes");
        bytes->assign(packed.begin(), packed.end());
        return ZipRead::Ok;
    }
    return inflateRaw(packed, entry.size, bytes) ? ZipRead::Ok : failed(error, "does not inflate");
}

}  // namespace

ZipRead readZipEntry(const std::string& path, const std::string& name, std::string* bytes, std::string* error)
{
    FileHandle file = openFileRead(path.c_str());
    if (!isOpen(file))
        return failed(error, "cannot be opened");
    int64_t fileSize = sizeOfFile(file);
    uint32_t directoryOffset = 0, directorySize = 0;
    uint16_t count = 0;
    if (!findEnd(file, fileSize, &directoryOffset, &directorySize, &count))
        return failed(error, "is not a zip file (no end of central directory)");
    if (directoryOffset == kZip64Offset)
        return failed(error, "is a zip64 file, which kvellpack does not read");
    std::vector<unsigned char> directory(directorySize);
    if (directorySize > 0 && !readAt(file, directoryOffset, directory.data(), directorySize))
        return failed(error, "has a central directory that cannot be read");
    Entry entry;
    bool found = false;
    if (!findEntry(directory, count, name, &entry, &found))
        return failed(error, "has a damaged central directory");
    if (!found)
        return ZipRead::Absent;
    ZipRead read = readEntryData(file, fileSize, entry, bytes, error);
    if (read == ZipRead::Failed)
        *error = "has an entry " + name + " that " + *error;
    return read;
}

}  // namespace kvellpack
