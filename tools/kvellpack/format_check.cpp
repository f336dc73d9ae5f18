#include "format_check.h"

#include <cctype>
#include <cstring>

namespace kvellpack {

namespace {

bool allowedConversion(FormatRule rule, char c)
{
    if (rule == FormatRule::OneNarrowString)
        return c == 'S';
    return std::strchr("fFeEgGaA", c) != nullptr;
}

int conversionLimit(FormatRule rule)
{
    return rule == FormatRule::OneNarrowString ? 1 : 4;
}

const char* expectation(FormatRule rule)
{
    return rule == FormatRule::OneNarrowString ? "at most one %S (it shows \"64\")"
                                               : "at most four floating-point conversions such as %.1f";
}

}  // namespace

bool checkFormat(FormatRule rule, const std::string& text, std::string* error)
{
    // The question texts are not printf formats: the launcher shows them as
    // written, with each "%S" replaced by "64".
    if (rule == FormatRule::None || rule == FormatRule::OneNarrowString)
        return true;
    int conversions = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        size_t start = i++;
        if (i < text.size() && text[i] == '%')
            continue;
        while (i < text.size() && std::strchr("-+ #0", text[i]) != nullptr)
            ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
            ++i;
        if (i < text.size() && text[i] == '.') {
            ++i;
            while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
                ++i;
        }
        if (rule == FormatRule::FourDoubles && i < text.size() && text[i] == 'l')
            ++i;
        if (i >= text.size() || !allowedConversion(rule, text[i]) || ++conversions > conversionLimit(rule)) {
            size_t end = i < text.size() ? i + 1 : text.size();
            *error = "the conversion '" + text.substr(start, end - start) + "' is not allowed here; use " +
                     expectation(rule) + " and %% for a percent sign";
            return false;
        }
    }
    return true;
}

}  // namespace kvellpack
