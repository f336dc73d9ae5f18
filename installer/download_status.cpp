#include "installer/download_status.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr int kFigureCount = 4;
constexpr size_t kMaxDigits = 2;  // width and precision: bounded output

bool isDigit(WideChar c)
{
    return c >= '0' && c <= '9';
}

bool isOneOf(WideChar c, const char* set)
{
    return c > 0 && c < 128 && std::strchr(set, static_cast<char>(c)) != nullptr;
}

// Copies up to kMaxDigits digits at format[i] into spec; false when there are more.
bool digits(const WideString& format, size_t& i, std::string& spec)
{
    size_t start = i;
    while (i < format.size() && isDigit(format[i]))
        spec += static_cast<char>(format[i++]);
    return i - start <= kMaxDigits;
}

// The conversion at format[i] (just after its '%') as a narrow printf spec;
// i ends past it. False for anything but a floating-point conversion.
bool floatConversion(const WideString& format, size_t& i, std::string& spec)
{
    spec.assign(1, '%');
    while (i < format.size() && isOneOf(format[i], "-+ #0"))
        spec += static_cast<char>(format[i++]);
    if (!digits(format, i, spec))
        return false;
    if (i < format.size() && format[i] == '.') {
        spec += '.';
        ++i;
        if (!digits(format, i, spec))
            return false;
    }
    if (i < format.size() && format[i] == 'l')
        ++i;  // "%lf" is "%f"
    if (i >= format.size() || !isOneOf(format[i], "fFeEgGaA"))
        return false;
    spec += static_cast<char>(format[i++]);
    return true;
}
} // namespace

WideString formatDownloadStatus(const WideString& format, const DownloadFigures& figures)
{
    const double values[kFigureCount] = {figures.receivedMiB, figures.totalMiB, figures.percent,
                                         figures.bytesPerMilli};
    WideString out;
    int used = 0;
    for (size_t i = 0; i < format.size();) {
        if (format[i] != '%') {
            out += format[i++];
            continue;
        }
        ++i;
        if (i < format.size() && format[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        std::string spec;
        if (used == kFigureCount || !floatConversion(format, i, spec))
            return format;
        // At most 99 digits of precision and width on a finite figure: 512 is ample.
        char text[512];
        int length = std::snprintf(text, sizeof text, spec.c_str(), values[used++]);
        if (length < 0 || static_cast<size_t>(length) >= sizeof text)
            return format;
        for (int k = 0; k < length; ++k)
            out += static_cast<WideChar>(static_cast<unsigned char>(text[k]));
    }
    return used == kFigureCount ? out : format;
}
