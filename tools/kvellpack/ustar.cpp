#include "ustar.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kvellpack {

namespace {

constexpr size_t kModeAt = 100, kUidAt = 108, kGidAt = 116, kMtimeAt = 136, kChecksumAt = 148;
constexpr size_t kDevMajorAt = 329, kDevMinorAt = 337, kPrefixAt = 345;
// 2000-01-01: a fixed time that every file system can hold (FAT starts in 1980).
constexpr int64_t kFixedTime = 946684800;

// Zero-padded octal filling the field but its last byte, which stays NUL.
void putOctal(unsigned char* field, size_t width, int64_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "%0*llo", static_cast<int>(width - 1), static_cast<unsigned long long>(value));
    std::memcpy(field, text, width - 1);
    field[width - 1] = 0;
}

unsigned headerSum(const unsigned char block[kTarBlockSize])
{
    unsigned sum = 0;
    for (size_t i = 0; i < kTarBlockSize; ++i)
        sum += (i >= kChecksumAt && i < kChecksumAt + 8) ? ' ' : block[i];
    return sum;
}

// The checksum field: octal digits after optional blanks, ended by a blank,
// NUL or the field's end. The launcher does not read it.
bool checksumMatches(const unsigned char block[kTarBlockSize])
{
    const unsigned char* field = block + kChecksumAt;
    size_t i = 0;
    while (i < 8 && field[i] == ' ')
        ++i;
    unsigned stored = 0;
    size_t digits = 0;
    for (; i < 8 && field[i] >= '0' && field[i] <= '7'; ++i, ++digits)
        stored = stored * 8 + (field[i] - '0');  // 8 octal digits fit in 24 bits
    if (digits == 0 || (i < 8 && field[i] != ' ' && field[i] != 0))
        return false;
    return stored == headerSum(block);
}

bool fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

}  // namespace

void makeTarHeader(const TarEntry& entry, unsigned char block[kTarBlockSize])
{
    std::memset(block, 0, kTarBlockSize);
    std::memcpy(block, entry.name.data(), entry.name.size());
    putOctal(block + kModeAt, 8, entry.type == kTarDirectory ? 0755 : 0644);
    putOctal(block + kUidAt, 8, 0);
    putOctal(block + kGidAt, 8, 0);
    putOctal(block + kTarSizeOffset, kTarSizeLength, entry.size);
    putOctal(block + kMtimeAt, 12, kFixedTime);
    block[kTarTypeOffset] = static_cast<unsigned char>(entry.type);
    std::memcpy(block + kTarMagicOffset, "ustar\0" "00", 8);
    putOctal(block + kDevMajorAt, 8, 0);
    putOctal(block + kDevMinorAt, 8, 0);
    // Six digits, NUL, blank: the checksum's traditional form.
    putOctal(block + kChecksumAt, 7, headerSum(block));
    block[kChecksumAt + 7] = ' ';
}

bool isZeroBlock(const unsigned char block[kTarBlockSize])
{
    return std::all_of(block, block + kTarBlockSize, [](unsigned char b) { return b == 0; });
}

bool parseTarHeader(const unsigned char block[kTarBlockSize], TarEntry* entry, std::string* error)
{
    if (!hasUstarMagic(block))
        return fail(error, "a header is not a ustar header (no 'ustar' magic)");
    if (!checksumMatches(block))
        return fail(error, "a header's checksum is wrong");
    const char* name = reinterpret_cast<const char*>(block);
    entry->name.assign(name, strnlen(name, kTarNameSize));
    // GNU's magic ("ustar ") has atime and ctime where POSIX keeps the prefix.
    if (block[kTarMagicOffset + 5] == 0 && block[kPrefixAt] != 0)
        return fail(error, "entry '" + entry->name + "' continues its name in the ustar prefix field, which the "
                                                     "launcher does not read");
    entry->type = tarTypeFlag(block);
    int32_t size = 0;
    if (!parseTarSize(block, &size))
        return fail(error, "entry '" + entry->name + "' has a size field the launcher refuses: damaged, or a size "
                                                     "of 2 GiB or more");
    entry->size = size;
    return true;
}

bool checkTarName(const std::string& name, bool directory, std::string* error)
{
    // The name field as a header holds it: without a NUL when the name fills it.
    unsigned char field[kTarNameSize] = {};
    std::memcpy(field, name.data(), std::min(name.size(), kTarNameSize));
    char path[kTarNameSize + 1];
    TarNameFault fault = tarEntryName(field, directory, '/', path);
    return fault == TarNameFault::None || fail(error, "entry '" + name + "' " + tarNameFaultText(fault));
}

int64_t paddedTarSize(int64_t size)
{
    return (size + static_cast<int64_t>(kTarBlockSize) - 1) / static_cast<int64_t>(kTarBlockSize) *
           static_cast<int64_t>(kTarBlockSize);
}

}  // namespace kvellpack
