// Reading one entry of a zip file (a jar): through its central directory,
// stored or deflated. Enough for a jar's manifest; not a general unzipper.
#pragma once
#include <cstdint>
#include <string>

namespace kvellpack {

enum class ZipRead { Ok, Absent, Failed };

// Entries larger than this are refused rather than inflated into memory.
constexpr uint32_t kMaxZipEntrySize = 1u << 20;

// The bytes of the entry named name (ASCII letter case ignored, as jar tools
// are not consistent about it). Absent when the zip has no such entry; Failed,
// with *error completing "'<path>' ...", when the file is not a readable zip or
// the entry is damaged, encrypted, compressed in another way or too large.
ZipRead readZipEntry(const std::string& path, const std::string& name, std::string* bytes, std::string* error);

}  // namespace kvellpack
