#include "ustar.h"

#include <cstdio>
#include <cstring>

namespace kvellpack {

namespace {

constexpr size_t kNameField = 100;
constexpr size_t kModeAt = 100, kUidAt = 108, kGidAt = 116, kSizeAt = 124, kMtimeAt = 136, kChecksumAt = 148;
constexpr size_t kTypeAt = 156, kMagicAt = 257, kDevMajorAt = 329, kDevMinorAt = 337;
constexpr size_t kPrefixAt = 345;
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

unsigned headerSum(const unsigned char block[kTarBlock])
{
    unsigned sum = 0;
    for (size_t i = 0; i < kTarBlock; ++i)
        sum += (i >= kChecksumAt && i < kChecksumAt + 8) ? ' ' : block[i];
    return sum;
}

// Octal digits after optional blanks, ended by a blank, NUL or the field's end.
bool readOctal(const unsigned char* field, size_t width, int64_t* value)
{
    size_t i = 0;
    while (i < width && field[i] == ' ')
        ++i;
    int64_t result = 0;
    size_t digits = 0;
    for (; i < width && field[i] >= '0' && field[i] <= '7'; ++i, ++digits) {
        if (result > (INT64_MAX >> 3))
            return false;
        result = result * 8 + (field[i] - '0');
    }
    if (digits == 0 || (i < width && field[i] != ' ' && field[i] != 0))
        return false;
    *value = result;
    return true;
}

bool fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

}  // namespace

void makeTarHeader(const TarEntry& entry, unsigned char block[kTarBlock])
{
    std::memset(block, 0, kTarBlock);
    std::memcpy(block, entry.name.data(), entry.name.size());
    putOctal(block + kModeAt, 8, entry.type == kTarDirectory ? 0755 : 0644);
    putOctal(block + kUidAt, 8, 0);
    putOctal(block + kGidAt, 8, 0);
    putOctal(block + kSizeAt, 12, entry.size);
    putOctal(block + kMtimeAt, 12, kFixedTime);
    block[kTypeAt] = static_cast<unsigned char>(entry.type);
    std::memcpy(block + kMagicAt, "ustar\0" "00", 8);
    putOctal(block + kDevMajorAt, 8, 0);
    putOctal(block + kDevMinorAt, 8, 0);
    // Six digits, NUL, blank: the checksum's traditional form.
    putOctal(block + kChecksumAt, 7, headerSum(block));
    block[kChecksumAt + 7] = ' ';
}

bool isZeroBlock(const unsigned char block[kTarBlock])
{
    for (size_t i = 0; i < kTarBlock; ++i) {
        if (block[i] != 0)
            return false;
    }
    return true;
}

bool parseTarHeader(const unsigned char block[kTarBlock], TarEntry* entry, std::string* error)
{
    // "ustar\0" (POSIX) or "ustar " (GNU); older formats have no magic.
    if (std::memcmp(block + kMagicAt, "ustar", 5) != 0)
        return fail(error, "a header is not a ustar header (no 'ustar' magic)");
    int64_t stored = 0;
    if (!readOctal(block + kChecksumAt, 8, &stored) || stored != headerSum(block))
        return fail(error, "a header's checksum is wrong");
    const void* end = std::memchr(block, 0, kNameField);
    if (end == nullptr)
        return fail(error, "the name '" + std::string(reinterpret_cast<const char*>(block), kNameField) +
                               "' fills its 100-byte field without an end");
    entry->name.assign(reinterpret_cast<const char*>(block), static_cast<const unsigned char*>(end) - block);
    // GNU's magic has atime and ctime where POSIX keeps the prefix.
    if (block[kMagicAt + 5] == 0 && block[kPrefixAt] != 0)
        return fail(error, "entry '" + entry->name + "' continues its name in the ustar prefix field, which the "
                                                     "launcher does not read");
    char type = static_cast<char>(block[kTypeAt]);
    entry->type = type == 0 ? kTarFile : type;
    if (block[kSizeAt] & 0x80)
        return fail(error, "entry '" + entry->name + "' is 8 GiB or larger");
    if (!readOctal(block + kSizeAt, 12, &entry->size))
        return fail(error, "entry '" + entry->name + "' has no readable size");
    return true;
}

bool checkTarName(const std::string& name, bool directory, std::string* error)
{
    std::string why;
    std::string path = name;
    if (directory && !path.empty() && path.back() == '/')
        path.pop_back();
    if (name.empty())
        why = "is empty";
    else if (name[0] == '/' || name[0] == '\\')
        why = "is absolute";
    else if (name.size() >= 2 && name[1] == ':')
        why = "begins with a drive letter";
    size_t start = 0;
    while (why.empty() && start <= path.size()) {
        size_t end = path.find_first_of("/\\", start);
        std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty())
            why = "has an empty component";
        else if (part == "." || part == "..")
            why = "has a '" + part + "' component";
        start = end == std::string::npos ? path.size() + 1 : end + 1;
    }
    return why.empty() || fail(error, "entry '" + name + "' " + why);
}

int64_t paddedTarSize(int64_t size)
{
    return (size + static_cast<int64_t>(kTarBlock) - 1) / static_cast<int64_t>(kTarBlock) *
           static_cast<int64_t>(kTarBlock);
}

}  // namespace kvellpack
