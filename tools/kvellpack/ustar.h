// The tar headers of a runtime archive: POSIX ustar blocks of 512 bytes, with
// the subset the launcher reads (a name of at most 99 bytes and no prefix).
// What a header says (magic, type, size) and which names are safe to create
// are the launcher's own rules (payload/tar_header.h); kvellpack adds writing
// headers and refusing what the launcher would read differently from a tar tool.
#pragma once
#include <cstdint>
#include <string>

#include "payload/tar_header.h"

namespace kvellpack {

constexpr size_t kMaxTarName = kTarNameSize - 1;  // the 100-byte name field keeps its NUL
// The launcher reads sizes up to this many bytes.
constexpr int64_t kMaxTarFileSize = INT32_MAX;

struct TarEntry {
    std::string name;  // the name field up to its NUL; all 100 bytes when it has none
    char type = kTarRegularFile;  // as stored: the launcher creates only kTarRegularFile and kTarDirectory
    int64_t size = 0;  // bytes of data after the header, before padding
};

// A header with fixed owner, mode and time, so that the same tree gives the
// same bytes. name must be at most kMaxTarName bytes.
void makeTarHeader(const TarEntry& entry, unsigned char block[kTarBlockSize]);

bool isZeroBlock(const unsigned char block[kTarBlockSize]);

// Reads a header written by any tool; false, with *error naming the entry,
// when the launcher would not read it (no ustar magic, a size parseTarSize
// refuses) or would read it differently from a tar tool (a prefix field in
// use), or when its checksum is wrong. The name is not checked here.
bool parseTarHeader(const unsigned char block[kTarBlockSize], TarEntry* entry, std::string* error);

// Whether the launcher creates an entry of this name below its target
// directory (tarEntryName); false, with *error naming the entry and the fault.
bool checkTarName(const std::string& name, bool directory, std::string* error);

// Data plus padding to the next header.
int64_t paddedTarSize(int64_t size);

}  // namespace kvellpack
