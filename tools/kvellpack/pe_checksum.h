// The optional header's CheckSum of a whole file, summed as the file is
// written: 16-bit words with end-around carry, plus the file's length (the
// CheckSum field itself counts as zero, so it must be written as zero).
#pragma once
#include <cstddef>
#include <cstdint>

namespace kvellpack {

struct PeChecksum {
    uint64_t sum = 0;     // of the words, before folding; cannot overflow below 2^48 bytes
    uint64_t length = 0;  // bytes added so far
};

// Adds the next size bytes of the file.
void addToChecksum(PeChecksum* checksum, const unsigned char* bytes, size_t size);
uint32_t finishChecksum(const PeChecksum& checksum);

}  // namespace kvellpack
