#include "case_folding.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace kvellpack {

namespace {

struct Folding {
    char32_t from;
    char32_t to[3];
};

constexpr Folding kFoldings[] = {
#include "case_folding_table.inc"
};

// Length of the UTF-8 sequence at text[i] and its code point; 0 when the bytes
// there are not one.
size_t decode(const std::string& text, size_t i, char32_t* code)
{
    unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                                      : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
    if (length == 0 || i + length > text.size())
        return 0;
    char32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    *code = value;
    return length;
}

void encode(char32_t code, std::string* out)
{
    if (code < 0x80) {
        out->push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (code >> 6)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (code >> 12)));
        out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (code >> 18)));
        out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

}  // namespace

std::string foldCase(const std::string& utf8)
{
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t code = 0;
        size_t length = decode(utf8, i, &code);
        if (length == 0) {
            out.push_back(utf8[i++]);
            continue;
        }
        i += length;
        const Folding* found = std::lower_bound(std::begin(kFoldings), std::end(kFoldings), code,
                                                [](const Folding& f, char32_t c) { return f.from < c; });
        if (found == std::end(kFoldings) || found->from != code) {
            encode(code, &out);
            continue;
        }
        for (char32_t to : found->to) {
            if (to != 0)
                encode(to, &out);
        }
    }
    return out;
}

}  // namespace kvellpack
