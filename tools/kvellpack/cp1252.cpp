#include "cp1252.h"

#include <cstdint>
#include <cstdio>

#include "fs/wide.h"

namespace kvellpack {

namespace {

// Characters of the bytes 0x80..0x9F; 0 marks the unassigned bytes.
constexpr uint16_t kCharsAt80[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// The byte for a code point, or -1.
int byteFor(uint32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i) {
        if (kCharsAt80[i] == cp)
            return 0x80 + i;
    }
    return -1;
}

std::string describe(uint32_t cp)
{
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
    // Control characters would garble the one-line error, so they show as a code only.
    if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0))
        return code;
    WideString glyph;
    if (cp < 0x10000) {
        glyph.push_back(static_cast<WideChar>(cp));
    } else {
        glyph.push_back(static_cast<WideChar>(0xD800 + ((cp - 0x10000) >> 10)));
        glyph.push_back(static_cast<WideChar>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
    std::string text = "'";  // appended piece by piece: GCC 12 warns wrongly about chained +
    text += utf8FromWide(glyph);
    text += "' (";
    text += code;
    text += ")";
    return text;
}

}  // namespace

bool cp1252FromUtf8(const std::string& utf8, std::string* out, std::string* bad)
{
    WideString wide = wideFromUtf8(utf8);
    out->clear();
    out->reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        uint32_t cp = static_cast<uint16_t>(wide[i]);
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < wide.size())
            cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<uint16_t>(wide[++i]) - 0xDC00);
        int byte = byteFor(cp);
        if (byte < 0) {
            *bad = describe(cp);
            return false;
        }
        out->push_back(static_cast<char>(byte));
    }
    return true;
}

std::string utf8FromCp1252(const std::string& bytes)
{
    WideString wide;
    wide.reserve(bytes.size());
    for (char c : bytes) {
        unsigned byte = static_cast<unsigned char>(c);
        uint16_t unit = byte;
        if (byte >= 0x80 && byte < 0xA0 && kCharsAt80[byte - 0x80] != 0)
            unit = kCharsAt80[byte - 0x80];
        wide.push_back(static_cast<WideChar>(unit));
    }
    return utf8FromWide(wide);
}

}  // namespace kvellpack
