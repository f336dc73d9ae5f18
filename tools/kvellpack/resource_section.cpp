#include "resource_section.h"

#include <algorithm>
#include <cstring>

namespace kvellpack {

namespace {

constexpr size_t kNumberOfSectionsField = 2;  // in the COFF file header
constexpr size_t kMaxSections = 96;
constexpr uint32_t kMinSectionAlignment = 0x1000;
constexpr uint32_t kReadOnlyData = 0x40000040;  // initialized data, readable
// At the end of the added section: what the stub had before, so that packing
// again starts from the stub itself.
constexpr char kTrailerMagic[8] = {'k', 'v', 'e', 'l', 'l', 'r', 's', 'c'};
constexpr size_t kTrailerBytes = 20;

struct Trailer {
    uint32_t resourceRva = 0;
    uint32_t resourceSize = 0;
    uint32_t sizeOfImage = 0;
};

bool fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

uint64_t alignUp(uint64_t value, uint32_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

bool isPowerOfTwo(uint32_t value)
{
    return value != 0 && (value & (value - 1)) == 0;
}

// The trailer of the last section when kvellpack added it; false otherwise.
bool addedSectionTrailer(const PeHeaders& headers, const Bytes& image, Trailer* trailer)
{
    if (headers.sections.empty() || headers.sections.back().name != kAddedSectionName)
        return false;
    const PeSection& section = headers.sections.back();
    uint64_t end = static_cast<uint64_t>(section.rawPointer) + section.virtualSize;
    if (section.virtualSize < kTrailerBytes || section.virtualSize > section.rawSize || end > image.size())
        return false;
    size_t at = static_cast<size_t>(end) - kTrailerBytes;
    if (std::memcmp(&image[at], kTrailerMagic, sizeof kTrailerMagic) != 0)
        return false;
    trailer->resourceRva = readLe32(image, at + 8);
    trailer->resourceSize = readLe32(image, at + 12);
    trailer->sizeOfImage = readLe32(image, at + 16);
    return true;
}

void setSectionCount(Bytes& image, const PeHeaders& headers, size_t count)
{
    writeLe16(image, headers.fileHeader + kNumberOfSectionsField, static_cast<uint16_t>(count));
}

void setResourceDirectory(Bytes& image, const PeHeaders& headers, uint32_t rva, uint32_t size)
{
    writeLe32(image, headers.dataDirectories + 8 * kResourceDirectory, rva);
    writeLe32(image, headers.dataDirectories + 8 * kResourceDirectory + 4, size);
}

void addToInitializedData(Bytes& image, const PeHeaders& headers, int64_t delta)
{
    size_t at = headers.optionalHeader + kSizeOfInitializedDataField;
    writeLe32(image, at, static_cast<uint32_t>(readLe32(image, at) + delta));
}

// The new header goes right after the last one: that slot must be free and
// end before the first section's data.
bool checkHeaderRoom(const PeHeaders& headers, const Bytes& image, size_t slot, std::string* error)
{
    size_t end = slot + kSectionHeaderBytes;
    uint64_t firstData = headers.sizeOfHeaders;
    for (const PeSection& section : headers.sections) {
        if (section.rawSize != 0)
            firstData = std::min<uint64_t>(firstData, section.rawPointer);
    }
    std::string room = "has no room for one more section header, which the resources need (its section table ends at " +
                       std::to_string(slot) + ", its first section's data starts at " + std::to_string(firstData) + ")";
    if (end > firstData || end > image.size())
        return fail(error, room);
    for (size_t i = slot; i < end; ++i) {
        if (image[i] != 0)
            return fail(error, "has no room for one more section header, which the resources need (the bytes after "
                               "its section table are in use)");
    }
    return true;
}

bool checkAlignments(const PeHeaders& headers, std::string* error)
{
    if (!isPowerOfTwo(headers.fileAlignment) || !isPowerOfTwo(headers.sectionAlignment) ||
        headers.fileAlignment > headers.sectionAlignment)
        return fail(error, "has invalid section alignments (file " + std::to_string(headers.fileAlignment) +
                               ", memory " + std::to_string(headers.sectionAlignment) + ")");
    if (headers.sectionAlignment < kMinSectionAlignment)
        return fail(error, "aligns its sections in memory to " + std::to_string(headers.sectionAlignment) +
                               " bytes, less than a page; kvellpack cannot add its resource section to it");
    return true;
}

}  // namespace

bool removeAddedSection(Bytes* image, bool* removed, std::string* error)
{
    *removed = false;
    PeHeaders headers;
    if (!readPeHeaders(*image, &headers, error))
        return false;
    Trailer trailer;
    if (!addedSectionTrailer(headers, *image, &trailer)) {
        if (!headers.sections.empty() && headers.sections.back().name == kAddedSectionName)
            return fail(error, std::string("has a last section named ") + kAddedSectionName +
                                   " that kvellpack did not write");
        return true;
    }
    if (headers.sections.size() < 2 || headers.directoryCount <= kResourceDirectory)
        return fail(error, std::string("has a damaged ") + kAddedSectionName + " section");
    const PeSection& added = headers.sections.back();
    const PeSection& last = headers.sections[headers.sections.size() - 2];
    uint64_t end = static_cast<uint64_t>(last.rawPointer) + last.rawSize;
    if (end > added.rawPointer)
        return fail(error, std::string("has a damaged ") + kAddedSectionName + " section");
    setResourceDirectory(*image, headers, trailer.resourceRva, trailer.resourceSize);
    writeLe32(*image, headers.optionalHeader + kSizeOfImageField, trailer.sizeOfImage);
    addToInitializedData(*image, headers, -static_cast<int64_t>(added.rawSize));
    setSectionCount(*image, headers, headers.sections.size() - 1);
    std::fill_n(image->begin() + static_cast<std::ptrdiff_t>(added.headerOffset), kSectionHeaderBytes, 0);
    image->resize(static_cast<size_t>(end));
    *removed = true;
    return true;
}

bool addResourceSection(Bytes* image, const ResourceList& list, std::string* error)
{
    PeHeaders headers;
    if (!readPeHeaders(*image, &headers, error))
        return false;
    if (headers.directoryCount <= kResourceDirectory)
        return fail(error, "has no data directory for resources");
    if (headers.sections.size() >= kMaxSections)
        return fail(error, "has 96 sections already, the most an executable may have");
    size_t slot = headers.sectionTable + kSectionHeaderBytes * headers.sections.size();
    if (!checkAlignments(headers, error) || !checkHeaderRoom(headers, *image, slot, error))
        return false;

    // Sections follow each other in memory without gaps.
    uint64_t memoryEnd = 0;
    for (const PeSection& section : headers.sections) {
        uint32_t size = section.virtualSize != 0 ? section.virtualSize : section.rawSize;
        memoryEnd = std::max<uint64_t>(memoryEnd, static_cast<uint64_t>(section.virtualAddress) + size);
    }
    uint64_t rva = alignUp(memoryEnd, headers.sectionAlignment);
    uint32_t oldRva = 0, oldSize = 0;
    dataDirectory(headers, *image, kResourceDirectory, &oldRva, &oldSize);

    Bytes data = writeResourceTree(list, static_cast<uint32_t>(rva));
    uint32_t treeSize = static_cast<uint32_t>(data.size());
    data.insert(data.end(), kTrailerMagic, kTrailerMagic + sizeof kTrailerMagic);
    data.resize(data.size() + 12, 0);
    writeLe32(data, treeSize + 8, oldRva);
    writeLe32(data, treeSize + 12, oldSize);
    writeLe32(data, treeSize + 16, headers.sizeOfImage);

    uint64_t rawPointer = alignUp(image->size(), headers.fileAlignment);
    uint64_t rawSize = alignUp(data.size(), headers.fileAlignment);
    uint64_t sizeOfImage = alignUp(rva + data.size(), headers.sectionAlignment);
    // The launcher reads the last section's fields as signed 32-bit numbers.
    if (rawPointer + rawSize > 0x7FFFFFFF || sizeOfImage > 0xFFFFFFFF)
        return fail(error, "would grow beyond 2 GiB with its resources");
    image->resize(static_cast<size_t>(rawPointer), 0);
    image->insert(image->end(), data.begin(), data.end());
    image->resize(static_cast<size_t>(rawPointer + rawSize), 0);

    Bytes& out = *image;
    std::memcpy(&out[slot], kAddedSectionName, std::strlen(kAddedSectionName));
    writeLe32(out, slot + 8, static_cast<uint32_t>(data.size()));
    writeLe32(out, slot + 12, static_cast<uint32_t>(rva));
    writeLe32(out, slot + 16, static_cast<uint32_t>(rawSize));
    writeLe32(out, slot + 20, static_cast<uint32_t>(rawPointer));
    writeLe32(out, slot + 36, kReadOnlyData);
    setResourceDirectory(out, headers, static_cast<uint32_t>(rva), treeSize);
    writeLe32(out, headers.optionalHeader + kSizeOfImageField, static_cast<uint32_t>(sizeOfImage));
    addToInitializedData(out, headers, static_cast<int64_t>(rawSize));
    setSectionCount(out, headers, headers.sections.size() + 1);
    return true;
}

bool readImageResources(const Bytes& image, ResourceList* list, bool* added, std::string* error)
{
    list->clear();
    PeHeaders headers;
    if (!readPeHeaders(image, &headers, error))
        return false;
    Trailer trailer;
    *added = addedSectionTrailer(headers, image, &trailer);
    uint32_t rva = 0, size = 0;
    dataDirectory(headers, image, kResourceDirectory, &rva, &size);
    if (rva == 0)
        return true;
    std::string why;
    return readResourceTree(headers, image, rva, list, &why) || fail(error, "has a resource directory that " + why);
}

}  // namespace kvellpack
