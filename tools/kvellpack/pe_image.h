// The PE headers of an image held in memory (the stub up to its Payload), as far
// as rewriting its resources needs them: the optional header's sizes and
// alignments, the data directories and the section table.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kvellpack {

using Bytes = std::vector<unsigned char>;

struct PeSection {
    std::string name;
    size_t headerOffset = 0;  // of its 40-byte header in the image
    uint32_t virtualSize = 0;
    uint32_t virtualAddress = 0;
    uint32_t rawSize = 0;
    uint32_t rawPointer = 0;
    uint32_t characteristics = 0;
};

struct PeHeaders {
    size_t fileHeader = 0;      // offset of the COFF file header (after "PE\0\0")
    size_t optionalHeader = 0;
    size_t sectionTable = 0;
    uint32_t sectionAlignment = 0;
    uint32_t fileAlignment = 0;
    uint32_t sizeOfImage = 0;
    uint32_t sizeOfHeaders = 0;
    size_t dataDirectories = 0;  // offset of data directory 0
    uint32_t directoryCount = 0;
    std::vector<PeSection> sections;
};

// Offsets of optional header fields that are the same in PE32 and PE32+.
constexpr size_t kSizeOfInitializedDataField = 8;
constexpr size_t kSizeOfImageField = 56;
constexpr size_t kResourceDirectory = 2;
constexpr size_t kSectionHeaderBytes = 40;

// False when the headers do not fit in image; *error completes a sentence
// about the file ("has a truncated section table").
bool readPeHeaders(const Bytes& image, PeHeaders* headers, std::string* error);

// The image offset of size bytes at rva, inside one section's raw data;
// false when they lie elsewhere.
bool offsetOfRva(const PeHeaders& headers, const Bytes& image, uint32_t rva, uint32_t size, size_t* offset);

// Data directory index as (rva, size); (0, 0) when the header has none.
void dataDirectory(const PeHeaders& headers, const Bytes& image, size_t index, uint32_t* rva, uint32_t* size);

uint32_t readLe32(const Bytes& bytes, size_t at);
void writeLe16(Bytes& bytes, size_t at, uint16_t value);
void writeLe32(Bytes& bytes, size_t at, uint32_t value);

}  // namespace kvellpack
