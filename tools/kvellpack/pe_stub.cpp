#include "pe_stub.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "file_io.h"
#include "payload/stub_marker.h"

namespace kvellpack {

namespace {

constexpr int64_t kPeSignatureSize = 4;
constexpr int64_t kFileHeaderSize = 20;
constexpr int64_t kSectionHeaderSize = 40;
constexpr int kMaxSections = 96;  // the PE format's limit
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr int64_t kChecksumField = 64;
constexpr int kSecurityDirectory = 4;

bool fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

std::string hex(int64_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

std::string sectionName(const unsigned char* header)
{
    std::string name;
    for (int i = 0; i < 8 && header[i] != 0; ++i)
        name.push_back(header[i] >= 0x20 && header[i] < 0x7F ? static_cast<char>(header[i]) : '?');
    return name;
}

// Locates CheckSum and the security directory entry in the optional header.
bool examineOptionalHeader(const FileHandle& file, int64_t start, uint16_t size, StubLayout* layout, std::string* error)
{
    std::vector<unsigned char> header(size);
    if (size < kChecksumField + 4 || !readAt(file, start, header.data(), size))
        return fail(error, "has an optional header too small for a Windows executable");
    uint16_t magic = getLe16(header.data());
    if (magic != kMagicPe32 && magic != kMagicPe32Plus)
        return fail(error, "has an unknown optional header kind " + hex(magic));
    layout->checksumOffset = start + kChecksumField;
    int64_t countField = magic == kMagicPe32 ? 92 : 108;
    int64_t directories = countField + 4;
    int64_t entry = directories + 8 * kSecurityDirectory;
    if (size >= entry + 8 && getLe32(&header[countField]) > kSecurityDirectory) {
        layout->securityEntryOffset = start + entry;
        layout->securityOffset = getLe32(&header[entry]);
        layout->securitySize = getLe32(&header[entry + 4]);
    }
    return true;
}

// The Payload must not overwrite another section's data or the headers.
bool examineSections(const FileHandle& file, int64_t table, StubLayout* layout, std::string* error)
{
    std::vector<unsigned char> headers(static_cast<size_t>(kSectionHeaderSize * layout->sectionCount));
    int64_t tableEnd = table + static_cast<int64_t>(headers.size());
    if (tableEnd > layout->fileSize || !readAt(file, table, headers.data(), static_cast<uint32_t>(headers.size())))
        return fail(error, "is truncated: its section table runs past the end of the file");
    const unsigned char* last = &headers[headers.size() - kSectionHeaderSize];
    uint32_t lastSize = getLe32(last + 16);
    uint32_t lastPointer = getLe32(last + 20);
    layout->payloadStart = static_cast<int64_t>(lastPointer) + lastSize;
    // The launcher reads both fields and the Payload position as signed 32-bit values.
    if (lastSize > INT_MAX || lastPointer > INT_MAX || layout->payloadStart > INT_MAX)
        return fail(error, "has a last section beyond 2 GiB, where the launcher cannot find a Payload");
    if (layout->payloadStart > layout->fileSize)
        return fail(error, "is truncated: its last section ends at " + hex(layout->payloadStart) +
                               ", beyond the end of the file at " + hex(layout->fileSize));
    if (layout->payloadStart < tableEnd)
        return fail(error, "has a last section that ends at " + hex(layout->payloadStart) +
                               ", inside its headers; the Payload would overwrite them");
    for (int i = 0; i < layout->sectionCount; ++i) {
        const unsigned char* header = &headers[static_cast<size_t>(kSectionHeaderSize * i)];
        if (sectionName(header) == KVELL_STUB_SECTION) {
            layout->markerOffset = getLe32(header + 20);
            layout->markerSize = getLe32(header + 16);
        }
    }
    for (int i = 0; i + 1 < layout->sectionCount; ++i) {
        const unsigned char* header = &headers[static_cast<size_t>(kSectionHeaderSize * i)];
        int64_t end = static_cast<int64_t>(getLe32(header + 20)) + getLe32(header + 16);
        if (getLe32(header + 16) != 0 && end > layout->payloadStart)
            return fail(error, "has section '" + sectionName(header) + "' ending at " + hex(end) +
                                   ", after the end of the last section header's data at " +
                                   hex(layout->payloadStart) + "; the Payload would overwrite it");
    }
    return true;
}

}  // namespace

bool isKvellStub(const FileHandle& file, const StubLayout& layout)
{
    constexpr uint32_t kLength = sizeof KVELL_STUB_MARKER - 1;
    unsigned char text[kLength];
    return layout.markerOffset >= 0 && layout.markerSize >= kLength &&
           layout.markerOffset + kLength <= layout.fileSize && readAt(file, layout.markerOffset, text, kLength) &&
           std::memcmp(text, KVELL_STUB_MARKER, kLength) == 0;
}

bool examineStub(const FileHandle& file, StubLayout* layout, std::string* error)
{
    *layout = StubLayout();
    layout->fileSize = sizeOfFile(file);
    unsigned char dos[64];
    if (layout->fileSize < 2 || !readAt(file, 0, dos, 2) || dos[0] != 'M' || dos[1] != 'Z')
        return fail(error, "is not a Windows executable (no MZ header)");
    if (layout->fileSize < static_cast<int64_t>(sizeof dos) || !readAt(file, 0, dos, sizeof dos))
        return fail(error, "is too small to be a Windows executable");
    int64_t pe = getLe32(&dos[60]);
    if (pe < 4 || pe + kPeSignatureSize + kFileHeaderSize > layout->fileSize)
        return fail(error, "is not a Windows executable (its PE header offset " + hex(pe) + " lies outside the file)");
    unsigned char head[kPeSignatureSize + kFileHeaderSize];
    if (!readAt(file, pe, head, sizeof head) || head[0] != 'P' || head[1] != 'E' || head[2] != 0 || head[3] != 0)
        return fail(error, "is not a Windows executable (no PE signature at " + hex(pe) + ")");
    layout->sectionCount = getLe16(&head[6]);
    uint16_t optionalSize = getLe16(&head[20]);
    if (layout->sectionCount == 0 || layout->sectionCount > kMaxSections)
        return fail(error, "has " + std::to_string(layout->sectionCount) + " sections; a launcher has 1 to 96");
    int64_t optional = pe + kPeSignatureSize + kFileHeaderSize;
    // The launcher reads the size as a signed 16-bit value.
    if (optionalSize > 0x7FFF || optional + optionalSize > layout->fileSize)
        return fail(error, "is truncated: its optional header runs past the end of the file");
    return examineOptionalHeader(file, optional, optionalSize, layout, error) &&
           examineSections(file, optional + optionalSize, layout, error);
}

}  // namespace kvellpack
