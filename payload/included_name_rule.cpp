#include "payload/included_name_rule.h"

namespace {

WideChar upperAscii(WideChar c)
{
    return c >= 'a' && c <= 'z' ? static_cast<WideChar>(c - 'a' + 'A') : c;
}

bool sameAsciiName(const WideString& text, const char* name)
{
    size_t i = 0;
    for (; name[i] != '\0'; ++i) {
        if (i >= text.size() || upperAscii(text[i]) != static_cast<WideChar>(name[i]))
            return false;
    }
    return i == text.size();
}

// Windows also reserves COM and LPT with the superscript digits ¹ ² ³.
bool isPortDigit(WideChar c)
{
    return (c >= '1' && c <= '9') || c == 0x00B9 || c == 0x00B2 || c == 0x00B3;
}

// Windows opens the device whatever extension follows the name, and ignores
// blanks between name and extension ("nul .txt").
bool isDeviceName(const WideString& name)
{
    WideString stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (sameAsciiName(stem, device))
            return true;
    }
    if (stem.size() != 4 || !isPortDigit(stem[3]))
        return false;
    WideString port = stem.substr(0, 3);
    return sameAsciiName(port, "COM") || sameAsciiName(port, "LPT");
}

}  // namespace

IncludedNameFault includedNameFault(const WideString& name)
{
    if (name.empty() || name == KW(".") || name == KW("..") || name.find_first_of(KW("\\/:")) != WideString::npos)
        return IncludedNameFault::NotPlain;
    if (name.size() > kMaxIncludedNameUnits)
        return IncludedNameFault::TooLong;
    if (name.back() == '.' || name.back() == ' ')
        return IncludedNameFault::TrailingDotOrBlank;
    if (isDeviceName(name))
        return IncludedNameFault::DeviceName;
    return IncludedNameFault::None;
}

const char* includedNameFaultText(IncludedNameFault fault)
{
    switch (fault) {
    case IncludedNameFault::None:
        return "is allowed";
    case IncludedNameFault::NotPlain:
        return "is not a plain file name";
    case IncludedNameFault::TooLong:
        return "is longer than the 255 characters Windows allows in a file name";
    case IncludedNameFault::TrailingDotOrBlank:
        return "ends with a dot or blank, which Windows drops from file names";
    case IncludedNameFault::DeviceName:
        return "is reserved for a Windows device";
    }
    return "is not allowed";
}
