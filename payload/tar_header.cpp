#include "payload/tar_header.h"

#include <cstring>
#include <string>

#include "fs/wide.h"
#include "payload/included_name_rule.h"

namespace {
bool fitsCount(int64_t value)
{
    return value <= INT32_MAX;
}

// GNU's form for sizes past 8 GiB: big-endian two's complement behind the 0x80
// flag bit; bit 6 of the first byte is the sign.
bool parseBase256(const unsigned char* field, int32_t* size)
{
    if ((field[0] & 0x40) != 0)
        return false;
    int64_t value = field[0] & 0x3F;
    for (size_t i = 1; i < kTarSizeLength; ++i) {
        value = value * 256 + field[i];
        if (!fitsCount(value))
            return false;
    }
    *size = static_cast<int32_t>(value);
    return true;
}

// One '/'-separated piece of a name that is to be created.
TarNameFault componentFault(const std::string& component)
{
    if (component.empty())
        return TarNameFault::EmptyComponent;
    if (component == "." || component == "..")
        return TarNameFault::DotComponent;
    // The included files' rule: on Windows "\" separates too, and a trailing dot
    // or blank is dropped (".. " may come out as ".."), so these name other files.
    if (includedNameFault(wideFromLatin1(component)) != IncludedNameFault::None)
        return TarNameFault::NotWindowsName;
    return TarNameFault::None;
}
} // namespace

bool hasUstarMagic(const unsigned char* header)
{
    return std::memcmp(header + kTarMagicOffset, "ustar", 5) == 0;
}

char tarTypeFlag(const unsigned char* header)
{
    return static_cast<char>(header[kTarTypeOffset]);
}

bool parseTarSize(const unsigned char* header, int32_t* size)
{
    const unsigned char* field = header + kTarSizeOffset;
    if ((field[0] & 0x80) != 0)
        return parseBase256(field, size);
    size_t i = 0;
    while (i < kTarSizeLength && (field[i] == '0' || field[i] == ' '))
        ++i;
    int64_t value = 0;
    for (; i < kTarSizeLength && field[i] != '\0' && field[i] != ' '; ++i) {
        if (field[i] < '0' || field[i] > '7')
            return false;
        value = value * 8 + (field[i] - '0');
        if (!fitsCount(value))
            return false;
    }
    *size = static_cast<int32_t>(value);
    return true;
}

TarNameFault tarEntryName(const unsigned char* header, bool directory, char separator, char* out)
{
    const void* end = std::memchr(header, '\0', kTarNameSize);
    if (end == nullptr)
        return TarNameFault::NoEnd;
    std::string name(reinterpret_cast<const char*>(header), static_cast<const unsigned char*>(end) - header);
    if (name.empty())
        return TarNameFault::Empty;
    if (name[0] == '/' || name[0] == '\\')
        return TarNameFault::Absolute;
    if (name.find(':') != std::string::npos)
        return TarNameFault::DriveOrStream;
    if (directory && name.back() == '/')
        name.pop_back();
    size_t start = 0;
    for (;;) {
        size_t slash = name.find('/', start);
        TarNameFault fault = componentFault(name.substr(start, slash - start));
        if (fault != TarNameFault::None)
            return fault;
        if (slash == std::string::npos)
            break;
        name[slash] = separator;
        start = slash + 1;
    }
    std::memcpy(out, name.c_str(), name.size() + 1);
    return TarNameFault::None;
}

const char* tarNameFaultText(TarNameFault fault)
{
    switch (fault) {
    case TarNameFault::None:
        return "is allowed";
    case TarNameFault::NoEnd:
        return "fills its field without an end";
    case TarNameFault::Empty:
        return "is empty";
    case TarNameFault::Absolute:
        return "is absolute";
    case TarNameFault::DriveOrStream:
        return "holds a drive letter or stream name";
    case TarNameFault::EmptyComponent:
        return "has an empty component";
    case TarNameFault::DotComponent:
        return "has a \".\" or \"..\" component";
    case TarNameFault::NotWindowsName:
        return "has a component Windows cannot create as named";
    }
    return "is not allowed";
}
