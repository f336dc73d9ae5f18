#include "payload/stub_marker.h"
#include "resource_fixtures.h"

#include <cstring>

namespace {

void put16(Bytes& b, size_t at, uint16_t v)
{
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}

}  // namespace

Bytes bitmapIconImage(int side, unsigned char shade)
{
    size_t maskRow = ((static_cast<size_t>(side) + 31) / 32) * 4;
    Bytes b(40 + static_cast<size_t>(side) * side * 4 + maskRow * side, 0);
    putLe32At(b, 0, 40);
    putLe32At(b, 4, static_cast<uint32_t>(side));
    putLe32At(b, 8, static_cast<uint32_t>(2 * side));  // colour and mask
    put16(b, 12, 1);
    put16(b, 14, 32);
    for (size_t p = 40; p < 40 + static_cast<size_t>(side) * side * 4; p += 4) {
        b[p] = shade;
        b[p + 3] = 0xFF;
    }
    return b;
}

Bytes pngIconImage(int side)
{
    Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (int shift : {24, 16, 8, 0})
        b.push_back(static_cast<unsigned char>(side >> shift));
    for (int shift : {24, 16, 8, 0})
        b.push_back(static_cast<unsigned char>(side >> shift));
    b.insert(b.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0});
    return b;
}

Bytes makeIco(const std::vector<std::pair<int, Bytes>>& images)
{
    Bytes b(6 + 16 * images.size(), 0);
    put16(b, 2, 1);
    put16(b, 4, static_cast<uint16_t>(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        size_t entry = 6 + 16 * i;
        b[entry] = b[entry + 1] = static_cast<unsigned char>(images[i].first == 256 ? 0 : images[i].first);
        put16(b, entry + 4, 1);
        put16(b, entry + 6, 32);
        putLe32At(b, entry + 8, static_cast<uint32_t>(images[i].second.size()));
        putLe32At(b, entry + 12, static_cast<uint32_t>(b.size()));
        b.insert(b.end(), images[i].second.begin(), images[i].second.end());
    }
    return b;
}

Bytes makeImage(int sections)
{
    Bytes b(0x200 + 0x200 * static_cast<size_t>(sections), 0);
    b[0] = 'M';
    b[1] = 'Z';
    putLe32At(b, 60, 0x80);
    std::memcpy(&b[0x80], "PE\0\0", 4);
    put16(b, 0x84, 0x8664);
    put16(b, 0x86, static_cast<uint16_t>(sections));
    put16(b, 0x94, 0xF0);
    put16(b, 0x96, 0x22);
    const size_t o = kImageOptionalHeader;
    put16(b, o, 0x20B);
    putLe32At(b, o + 32, 0x1000);  // SectionAlignment
    putLe32At(b, o + 36, 0x200);   // FileAlignment
    putLe32At(b, o + 56, 0x1000 * static_cast<uint32_t>(sections + 1));  // SizeOfImage
    putLe32At(b, o + 60, 0x200);   // SizeOfHeaders
    putLe32At(b, o + 108, 16);     // NumberOfRvaAndSizes
    for (int i = 0; i < sections; ++i) {
        size_t header = 0x188 + 40 * static_cast<size_t>(i);
        std::memcpy(&b[header], i == 0 ? ".text" : ".data", 5);
        putLe32At(b, header + 8, 0x180);
        putLe32At(b, header + 12, 0x1000 * static_cast<uint32_t>(i + 1));
        putLe32At(b, header + 16, 0x200);
        putLe32At(b, header + 20, 0x200 * static_cast<uint32_t>(i + 1));
        putLe32At(b, header + 36, 0x40000040);
        for (size_t at = 0x200 * static_cast<size_t>(i + 1); at < 0x200 * static_cast<size_t>(i + 1) + 0x180; ++at)
            b[at] = static_cast<unsigned char>(at * 13 + i);
    }
    // The last section is the launcher's marker, so that kvellpack takes the image for a stub.
    size_t last = 0x188 + 40 * static_cast<size_t>(sections - 1);
    std::memset(&b[last], 0, 8);
    std::memcpy(&b[last], KVELL_STUB_SECTION, sizeof KVELL_STUB_SECTION - 1);
    std::memcpy(&b[0x200 * static_cast<size_t>(sections)], KVELL_STUB_MARKER, sizeof KVELL_STUB_MARKER - 1);
    return b;
}

uint32_t resourceDirectoryRva(const Bytes& image)
{
    uint32_t pe = getLe32At(image, 60);
    return getLe32At(image, pe + 24 + 112 + 8 * 2);
}

int sectionCount(const Bytes& image)
{
    uint32_t pe = getLe32At(image, 60);
    return image[pe + 6] | (image[pe + 7] << 8);
}
