#include "entry_encoding.h"

#include "cp1252.h"

namespace kvellpack {

namespace {

// The launcher reads entries as zero-terminated texts: a NUL would cut them.
bool checkNoNul(const std::string& utf8, std::string* error)
{
    if (utf8.find('\0') == std::string::npos)
        return true;
    *error = "contains a NUL character, which would end the text early";
    return false;
}

bool checkLength(size_t length, size_t maxLength, const char* unit, std::string* error)
{
    if (length <= maxLength)
        return true;
    *error = "is " + std::to_string(length) + " " + unit + " long; the launcher takes at most " +
             std::to_string(maxLength);
    return false;
}

}  // namespace

bool encodeString(const std::string& utf8, size_t maxLength, std::string* out, std::string* error)
{
    if (!checkNoNul(utf8, error))
        return false;
    std::string bad;
    if (!cp1252FromUtf8(utf8, out, &bad)) {
        *error = "contains the character " + bad + ", which Windows-1252 (the code page of 8-bit entries) cannot represent";
        return false;
    }
    return checkLength(out->size(), maxLength, "characters", error);
}

bool encodeWide(const std::string& utf8, size_t maxLength, WideString* out, std::string* error)
{
    if (!checkNoNul(utf8, error))
        return false;
    *out = wideFromUtf8(utf8);
    return checkLength(out->size(), maxLength, "UTF-16 units", error);
}

}  // namespace kvellpack
