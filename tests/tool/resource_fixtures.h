// Inputs of the resource tests: .ico files and a small executable image with
// real section alignments, built byte by byte.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "test_support.h"

// A 32-bit bitmap icon image (header, pixels, mask) of side x side pixels.
Bytes bitmapIconImage(int side, unsigned char shade);
// A PNG signature and IHDR chunk: what the .ico reader and Windows look at first.
Bytes pngIconImage(int side);
// An .ico file of these images; side 256 is written as 0.
Bytes makeIco(const std::vector<std::pair<int, Bytes>>& images);

// A PE32+ image without resources: headers up to 0x200 (the section table at
// 0x188), sections of 0x200 bytes at 0x200, 0x400, ..., one page apart in
// memory, the last one the launcher's marker section. Two sections leave room
// for exactly one more header, three none.
Bytes makeImage(int sections);
constexpr size_t kImageOptionalHeader = 0x98;

// Resource directory entry 2 (rva, size) and the section count of an image.
uint32_t resourceDirectoryRva(const Bytes& image);
int sectionCount(const Bytes& image);
