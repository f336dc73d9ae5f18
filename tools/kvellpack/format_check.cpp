#include "format_check.h"

#include <cctype>
#include <cstring>

namespace kvellpack {

namespace {

constexpr const char* kFourDoubles = "the text needs exactly four floating-point conversions such as %.1f, or none";

// Digits of a width or precision at i; false past the two the launcher takes.
bool skipDigits(const std::string& text, size_t* i)
{
    size_t start = *i;
    while (*i < text.size() && std::isdigit(static_cast<unsigned char>(text[*i])))
        ++*i;
    return *i - start <= 2;
}

// The conversion at text[i] == '%' as the launcher recognises one: flags,
// width, precision, an optional 'l', then f, e, g or a in either case. *i ends
// on its last character.
bool floatingConversion(const std::string& text, size_t* i)
{
    ++*i;
    while (*i < text.size() && std::strchr("-+ #0", text[*i]) != nullptr)
        ++*i;
    if (!skipDigits(text, i))
        return false;
    if (*i < text.size() && text[*i] == '.') {
        ++*i;
        if (!skipDigits(text, i))
            return false;
    }
    if (*i < text.size() && text[*i] == 'l')
        ++*i;
    return *i < text.size() && std::strchr("fFeEgGaA", text[*i]) != nullptr;
}

}  // namespace

bool checkFormat(FormatRule rule, const std::string& text, std::string* error)
{
    // The question texts are not printf formats: the launcher shows them as
    // written, with each "%S" replaced by "64".
    if (rule != FormatRule::FourDoubles)
        return true;
    int conversions = 0;
    bool doublePercent = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        if (i + 1 < text.size() && text[i + 1] == '%') {
            doublePercent = true;
            ++i;
            continue;
        }
        size_t start = i;
        if (!floatingConversion(text, &i)) {
            size_t end = i < text.size() ? i + 1 : text.size();
            *error = "the conversion '" + text.substr(start, end - start) + "' is not allowed here; " + kFourDoubles +
                     " (flags, then width and precision of at most two digits each)";
            return false;
        }
        ++conversions;
    }
    if (conversions != 0 && conversions != 4) {
        *error = "there are " + std::to_string(conversions) + " conversions, but " + std::string(kFourDoubles);
        return false;
    }
    if (conversions == 0 && doublePercent) {
        *error = "a text without conversions is shown as written, so '%%' would show as two percent signs; " +
                 std::string(kFourDoubles);
        return false;
    }
    return true;
}

}  // namespace kvellpack
