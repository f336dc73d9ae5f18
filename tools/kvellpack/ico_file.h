// An .ico file's images, checked before they replace the launcher's icon: a
// damaged icon would only show as a blank one on the user's machine.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "pe_image.h"

namespace kvellpack {

struct IconImage {
    uint8_t width = 0;   // 0 stands for 256
    uint8_t height = 0;
    uint8_t colours = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    bool png = false;
    Bytes data;
};

// False, with *error completing "'<file>' ..." ("is truncated: ..."), when
// the bytes are not an icon file with at least one image. PNG images are taken
// as they are, like bitmap ones.
bool parseIconFile(const Bytes& bytes, std::vector<IconImage>* images, std::string* error);

// "48x48" (256 for a 0 width or height).
std::string iconSizeText(uint8_t width, uint8_t height);

}  // namespace kvellpack
