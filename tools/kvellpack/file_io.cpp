#include "file_io.h"

#include <algorithm>

namespace kvellpack {

bool readAt(const FileHandle& file, int64_t position, void* buffer, uint32_t size)
{
    auto* bytes = static_cast<unsigned char*>(buffer);
    if (!seekFile(file, position))
        return false;
    uint32_t done = 0;
    while (done < size) {
        uint32_t got = 0;
        if (!readFileBytes(file, bytes + done, size - done, &got) || got == 0)
            return false;
        done += got;
    }
    return true;
}

bool writeAll(const FileHandle& file, const void* buffer, size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (size > 0) {
        uint32_t chunk = static_cast<uint32_t>(std::min<size_t>(size, 1u << 20));
        uint32_t written = 0;
        if (!writeFileBytes(file, bytes, chunk, &written) || written == 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

CopyResult copyBytes(const FileHandle& from, const FileHandle& to, int64_t size, unsigned char xorByte,
                     const WrittenChunk& written)
{
    std::vector<unsigned char> buffer(64 * 1024);
    while (size > 0) {
        uint32_t want = static_cast<uint32_t>(std::min<int64_t>(size, static_cast<int64_t>(buffer.size())));
        uint32_t got = 0;
        if (!readFileBytes(from, buffer.data(), want, &got))
            return CopyResult::ReadFailed;
        if (got == 0)
            return CopyResult::SourceEnded;
        if (xorByte != 0) {
            for (uint32_t i = 0; i < got; ++i)
                buffer[i] ^= xorByte;
        }
        if (!writeAll(to, buffer.data(), got))
            return CopyResult::WriteFailed;
        if (written)
            written(buffer.data(), got);
        size -= got;
    }
    return CopyResult::Ok;
}

uint16_t getLe16(const unsigned char* bytes)
{
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

uint32_t getLe32(const unsigned char* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

void appendLe32(std::vector<unsigned char>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

void appendLe64(std::vector<unsigned char>& out, uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

}  // namespace kvellpack
