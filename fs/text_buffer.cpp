#include "fs/text_buffer.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

bool copyBounded(char* dst, size_t cap, const char* src)
{
    if (cap == 0)
        return false;
    size_t len = std::strlen(src);
    bool fits = len < cap;
    size_t n = fits ? len : cap - 1;
    std::memmove(dst, src, n);
    dst[n] = '\0';
    return fits;
}

size_t wideLength(const WideChar* text)
{
    size_t n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

bool copyBoundedWide(WideChar* dst, size_t cap, const WideChar* src)
{
    if (cap == 0)
        return false;
    size_t len = wideLength(src);
    bool fits = len < cap;
    size_t n = fits ? len : cap - 1;
    std::memmove(dst, src, n * sizeof(WideChar));
    dst[n] = 0;
    return fits;
}

bool appendBounded(char* dst, size_t cap, const char* src)
{
    size_t used = strnlen(dst, cap);
    if (used >= cap)
        return false;
    return copyBounded(dst + used, cap - used, src);
}

bool formatBounded(char* dst, size_t cap, const char* format, ...)
{
    if (cap == 0)
        return false;
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(dst, cap, format, args);
    va_end(args);
    if (n < 0) {
        dst[0] = '\0';
        return false;
    }
    return static_cast<size_t>(n) < cap;
}

ReplaceResult replaceFirst(char* text, size_t cap, const char* token, const char* replacement,
                           bool cutToFit)
{
    char* at = std::strstr(text, token);
    if (at == nullptr)
        return ReplaceResult::NotFound;
    size_t textLen = std::strlen(text);
    size_t tokenLen = std::strlen(token);
    size_t replLen = std::strlen(replacement);
    ReplaceResult result = ReplaceResult::Replaced;
    if (textLen - tokenLen + replLen >= cap) {
        if (!cutToFit)
            return ReplaceResult::TooLong;
        replLen = cap - 1 - (textLen - tokenLen);
        result = ReplaceResult::Cut;
    }
    size_t tailLen = textLen - static_cast<size_t>(at - text) - tokenLen;
    std::memmove(at + replLen, at + tokenLen, tailLen + 1);
    std::memcpy(at, replacement, replLen);
    return result;
}

std::vector<std::string> splitList(const char* text, char separator)
{
    std::vector<std::string> pieces;
    const char* p = text;
    while (*p != '\0') {
        const char* end = std::strchr(p, separator);
        size_t len = end != nullptr ? static_cast<size_t>(end - p) : std::strlen(p);
        if (len > 0)
            pieces.emplace_back(p, len);
        p += len + (end != nullptr ? 1 : 0);
    }
    return pieces;
}
