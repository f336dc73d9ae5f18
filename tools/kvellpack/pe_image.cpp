#include "pe_image.h"

#include "file_io.h"

namespace kvellpack {

namespace {

constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;

bool fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

bool fits(const Bytes& image, size_t at, size_t size)
{
    return at <= image.size() && size <= image.size() - at;
}

}  // namespace

uint32_t readLe32(const Bytes& bytes, size_t at)
{
    return getLe32(&bytes[at]);
}

void writeLe16(Bytes& bytes, size_t at, uint16_t value)
{
    bytes[at] = static_cast<unsigned char>(value);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

void writeLe32(Bytes& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

bool readPeHeaders(const Bytes& image, PeHeaders* headers, std::string* error)
{
    *headers = PeHeaders();
    if (!fits(image, 0, 64) || image[0] != 'M' || image[1] != 'Z')
        return fail(error, "is not a Windows executable (no MZ header)");
    size_t pe = readLe32(image, 60);
    if (!fits(image, pe, 24) || image[pe] != 'P' || image[pe + 1] != 'E' || image[pe + 2] != 0 || image[pe + 3] != 0)
        return fail(error, "is not a Windows executable (no PE signature)");
    headers->fileHeader = pe + 4;
    uint16_t sections = getLe16(&image[pe + 6]);
    uint16_t optionalSize = getLe16(&image[pe + 20]);
    headers->optionalHeader = pe + 24;
    const size_t optional = headers->optionalHeader;
    if (optionalSize < 96 || !fits(image, optional, optionalSize))
        return fail(error, "has an optional header too small for a Windows executable");
    uint16_t magic = getLe16(&image[optional]);
    if (magic != kMagicPe32 && magic != kMagicPe32Plus)
        return fail(error, "has an unknown optional header kind");
    headers->sectionAlignment = readLe32(image, optional + 32);
    headers->fileAlignment = readLe32(image, optional + 36);
    headers->sizeOfImage = readLe32(image, optional + kSizeOfImageField);
    headers->sizeOfHeaders = readLe32(image, optional + 60);
    size_t countField = magic == kMagicPe32 ? 92 : 108;
    headers->dataDirectories = countField + 4 + optional;
    if (optionalSize >= countField + 4) {
        uint32_t declared = readLe32(image, optional + countField);
        uint32_t room = static_cast<uint32_t>((optionalSize - countField - 4) / 8);
        headers->directoryCount = declared < room ? declared : room;
    }
    headers->sectionTable = optional + optionalSize;
    if (!fits(image, headers->sectionTable, kSectionHeaderBytes * sections))
        return fail(error, "has a truncated section table");
    for (uint16_t i = 0; i < sections; ++i) {
        size_t at = headers->sectionTable + kSectionHeaderBytes * i;
        PeSection section;
        section.headerOffset = at;
        for (size_t c = 0; c < 8 && image[at + c] != 0; ++c)
            section.name.push_back(static_cast<char>(image[at + c]));
        section.virtualSize = readLe32(image, at + 8);
        section.virtualAddress = readLe32(image, at + 12);
        section.rawSize = readLe32(image, at + 16);
        section.rawPointer = readLe32(image, at + 20);
        section.characteristics = readLe32(image, at + 36);
        headers->sections.push_back(section);
    }
    return true;
}

bool offsetOfRva(const PeHeaders& headers, const Bytes& image, uint32_t rva, uint32_t size, size_t* offset)
{
    for (const PeSection& section : headers.sections) {
        uint64_t start = section.virtualAddress;
        uint64_t end = start + section.rawSize;  // only what the file holds
        if (rva < start || static_cast<uint64_t>(rva) + size > end)
            continue;
        size_t at = static_cast<size_t>(section.rawPointer) + (rva - section.virtualAddress);
        if (!fits(image, at, size))
            return false;
        *offset = at;
        return true;
    }
    return false;
}

void dataDirectory(const PeHeaders& headers, const Bytes& image, size_t index, uint32_t* rva, uint32_t* size)
{
    *rva = 0;
    *size = 0;
    if (index < headers.directoryCount) {
        *rva = readLe32(image, headers.dataDirectories + 8 * index);
        *size = readLe32(image, headers.dataDirectories + 8 * index + 4);
    }
}

}  // namespace kvellpack
