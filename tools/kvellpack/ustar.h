// The tar headers of a runtime archive: POSIX ustar blocks of 512 bytes, with
// the subset the launcher reads (a name of at most 99 bytes and no prefix).
#pragma once
#include <cstdint>
#include <string>

namespace kvellpack {

constexpr size_t kTarBlock = 512;
constexpr size_t kMaxTarName = 99;  // the 100-byte name field keeps its NUL
constexpr char kTarFile = '0';
constexpr char kTarDirectory = '5';
// The launcher unpacks files of at most this many bytes.
constexpr int64_t kMaxTarFileSize = 0x7FFFFFFF;

struct TarEntry {
    std::string name;
    char type = kTarFile;  // '\0' (an old regular file) is reported as kTarFile
    int64_t size = 0;      // bytes of data after the header, before padding
};

// A header with fixed owner, mode and time, so that the same tree gives the
// same bytes. name must be at most kMaxTarName bytes.
void makeTarHeader(const TarEntry& entry, unsigned char block[kTarBlock]);

bool isZeroBlock(const unsigned char block[kTarBlock]);

// Reads a header written by any tool; false, with *error, when it is no ustar
// header, its checksum is wrong, or its name is one the launcher would take
// differently (no NUL in the name field, a prefix field in use).
bool parseTarHeader(const unsigned char block[kTarBlock], TarEntry* entry, std::string* error);

// Whether name stays inside the directory the archive is unpacked to: not
// empty, not absolute, no drive letter, no empty, "." or ".." component ("/"
// and "\" both separate). A directory's name may end in one "/".
bool checkTarName(const std::string& name, bool directory, std::string* error);

// Data plus padding to the next header.
int64_t paddedTarSize(int64_t size);

}  // namespace kvellpack
