// The PE headers of a launcher stub, as far as packing needs them: where the
// Payload goes (right after the raw data of the last section header, where the
// launcher looks for it) and which header fields appending invalidates.
#pragma once
#include <cstdint>
#include <string>

#include "fs/platform.h"

namespace kvellpack {

struct StubLayout {
    int64_t fileSize = 0;
    int sectionCount = 0;
    int64_t payloadStart = 0;          // PointerToRawData + SizeOfRawData of the last section header
    int64_t checksumOffset = 0;        // file offset of the optional header's CheckSum
    int64_t securityEntryOffset = -1;  // file offset of data directory 4; -1 when there is none
    uint32_t securityOffset = 0;       // the certificate table as that entry names it
    uint32_t securitySize = 0;
    int64_t markerOffset = -1;  // raw data of the section KVELL_STUB_SECTION; -1 when there is none
    uint32_t markerSize = 0;
};

// False when the file is not a PE image that a Payload can follow; *error then
// completes a sentence about the file ("has no MZ header").
bool examineStub(const FileHandle& file, StubLayout* layout, std::string* error);

// Whether the examined file is a kvell launcher: its section KVELL_STUB_SECTION
// (payload/stub_marker.h) begins with KVELL_STUB_MARKER.
bool isKvellStub(const FileHandle& file, const StubLayout& layout);

}  // namespace kvellpack
