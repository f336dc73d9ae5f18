// Exact reads, writes and copies over the platform layer's file handles, and
// the little-endian fields of the Payload and the PE headers.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fs/platform.h"

namespace kvellpack {

bool readAt(const FileHandle& file, int64_t position, void* buffer, uint32_t size);
bool writeAll(const FileHandle& file, const void* buffer, size_t size);

enum class CopyResult { Ok, ReadFailed, SourceEnded, WriteFailed };
// Sees each chunk that a copy wrote.
using WrittenChunk = std::function<void(const unsigned char* bytes, size_t size)>;
// Copies size bytes from the current position of from to to, in chunks, each
// byte XOR-ed with xorByte (0 copies unchanged).
CopyResult copyBytes(const FileHandle& from, const FileHandle& to, int64_t size, unsigned char xorByte,
                     const WrittenChunk& written = {});

uint16_t getLe16(const unsigned char* bytes);
uint32_t getLe32(const unsigned char* bytes);
void appendLe32(std::vector<unsigned char>& out, uint32_t value);
void appendLe64(std::vector<unsigned char>& out, uint64_t value);

}  // namespace kvellpack
