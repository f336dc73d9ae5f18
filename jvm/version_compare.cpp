#include "jvm/version_compare.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {
bool isSeparator(char c)
{
    return c == '.' || c == '_' || c == '-' || c == '+';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The next component at text[at..], separators before it skipped; at moves past it.
std::string_view nextComponent(std::string_view text, size_t& at)
{
    while (at < text.size() && isSeparator(text[at]))
        ++at;
    size_t start = at;
    while (at < text.size() && !isSeparator(text[at]))
        ++at;
    return text.substr(start, at - start);
}

// The next run of digits or of other characters in part; at moves past it.
std::string_view nextRun(std::string_view part, size_t& at)
{
    size_t start = at;
    bool digits = isDigit(part[at]);
    while (at < part.size() && isDigit(part[at]) == digits)
        ++at;
    return part.substr(start, at - start);
}

int compareNumbers(std::string_view a, std::string_view b)
{
    // Without leading zeros the longer number is the larger; no overflow whatever the length.
    a.remove_prefix(std::min(a.find_first_not_of('0'), a.size()));
    b.remove_prefix(std::min(b.find_first_not_of('0'), b.size()));
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

int compareComponents(std::string_view a, std::string_view b)
{
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        std::string_view runA = nextRun(a, i);
        std::string_view runB = nextRun(b, j);
        int order = isDigit(runA[0]) && isDigit(runB[0]) ? compareNumbers(runA, runB) : runA.compare(runB);
        if (order != 0)
            return order;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}
} // namespace

size_t versionComponentCount(const char* version)
{
    std::string_view text(version);
    size_t count = 0;
    for (size_t at = 0; !nextComponent(text, at).empty();)
        ++count;
    return count;
}

int compareVersionComponents(const char* a, const char* b, size_t count)
{
    std::string_view textA(a);
    std::string_view textB(b);
    size_t atA = 0;
    size_t atB = 0;
    for (size_t n = 0; n < count; ++n) {
        std::string_view partA = nextComponent(textA, atA);
        std::string_view partB = nextComponent(textB, atB);
        if (partA.empty() || partB.empty()) {
            if (partA.empty() != partB.empty())
                return partA.empty() ? -1 : 1;
            return 0;
        }
        int order = compareComponents(partA, partB);
        if (order != 0)
            return order < 0 ? -1 : 1;
    }
    return 0;
}

int compareVersions(const char* a, const char* b)
{
    return compareVersionComponents(a, b, SIZE_MAX);
}

bool isVersionText(const char* text)
{
    if (!isDigit(text[0]))
        return false;
    for (const char* p = text; *p != '\0'; ++p) {
        char c = *p;
        bool alnum = isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (isSeparator(c) ? isSeparator(p[1]) || p[1] == '\0' : !alnum)
            return false;
    }
    return true;
}
