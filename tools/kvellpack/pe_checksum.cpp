#include "pe_checksum.h"

namespace kvellpack {

void addToChecksum(PeChecksum* checksum, const unsigned char* bytes, size_t size)
{
    // A byte at an odd file offset is the high half of its word, whatever the
    // chunk boundaries.
    for (size_t i = 0; i < size; ++i) {
        bool high = ((checksum->length + i) & 1) != 0;
        checksum->sum += high ? static_cast<uint64_t>(bytes[i]) << 8 : bytes[i];
    }
    checksum->length += size;
}

uint32_t finishChecksum(const PeChecksum& checksum)
{
    // Folding the exact sum gives the same value as folding after every word.
    uint64_t sum = checksum.sum;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + checksum.length);
}

}  // namespace kvellpack
