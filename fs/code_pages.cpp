// Conversions of 8-bit texts into wide strings through the platform's code pages.
#include <vector>

#include "fs/platform.h"
#include "fs/text_buffer.h"

namespace {
WideString convert(int (*toWide)(const char*, WideChar*, int), const char* text)
{
    std::vector<WideChar> wide(kTextBufferSize);
    if (toWide(text, wide.data(), static_cast<int>(wide.size())) == 0)
        return WideString();
    return WideString(wide.data());
}
} // namespace

WideString wideFromAnsi(const char* text)
{
    return convert(toWideAnsi, text);
}

WideString wideFromFileCodePage(const char* text)
{
    return convert(toWideFileCodePage, text);
}

bool ansiFromWide(const WideString& text, std::string* out)
{
    // Enough for any code page: at most four bytes a unit.
    std::vector<char> bytes(text.size() * 4 + 1);
    bool usedDefault = false;
    int n = fromWideAnsi(text.c_str(), bytes.data(), static_cast<int>(bytes.size()), &usedDefault);
    if (n == 0 || usedDefault)
        return false;
    out->assign(bytes.data());
    return true;
}
