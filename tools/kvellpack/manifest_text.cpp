#include "manifest_text.h"

namespace kvellpack {

namespace {

constexpr const char* kLevels[] = {"asInvoker", "highestAvailable", "requireAdministrator"};

// The value of the element's level attribute as [begin, end) in manifest.
bool findLevel(const std::string& manifest, size_t* begin, size_t* end)
{
    // With or without a namespace prefix ("<ms_asmv2:requestedExecutionLevel").
    size_t element = manifest.find("requestedExecutionLevel");
    while (element != std::string::npos && element > 0 && manifest[element - 1] != '<' && manifest[element - 1] != ':')
        element = manifest.find("requestedExecutionLevel", element + 1);
    if (element == std::string::npos || element == 0)
        return false;
    size_t close = manifest.find('>', element);
    for (size_t at = manifest.find("level", element); at < close; at = manifest.find("level", at + 1)) {
        // "level" alone, not the tail of another attribute's name.
        char before = manifest[at - 1];
        if (before != ' ' && before != '\t' && before != '\r' && before != '\n')
            continue;
        size_t p = at + 5;
        while (p < close && (manifest[p] == ' ' || manifest[p] == '\t' || manifest[p] == '\r' || manifest[p] == '\n'))
            ++p;
        if (p >= close || manifest[p] != '=')
            continue;
        ++p;
        while (p < close && (manifest[p] == ' ' || manifest[p] == '\t' || manifest[p] == '\r' || manifest[p] == '\n'))
            ++p;
        if (p >= close || (manifest[p] != '"' && manifest[p] != '\''))
            return false;
        size_t quoteEnd = manifest.find(manifest[p], p + 1);
        if (quoteEnd == std::string::npos || quoteEnd > close)
            return false;
        *begin = p + 1;
        *end = quoteEnd;
        return true;
    }
    return false;
}

}  // namespace

bool isExecutionLevel(const std::string& level)
{
    for (const char* known : kLevels) {
        if (level == known)
            return true;
    }
    return false;
}

std::string executionLevelOf(const std::string& manifest)
{
    size_t begin = 0, end = 0;
    return findLevel(manifest, &begin, &end) ? manifest.substr(begin, end - begin) : std::string();
}

bool setExecutionLevel(const std::string& manifest, const std::string& level, std::string* out)
{
    size_t begin = 0, end = 0;
    if (!findLevel(manifest, &begin, &end))
        return false;
    *out = manifest.substr(0, begin) + level + manifest.substr(end);
    return true;
}

bool looksLikeManifest(const std::string& text)
{
    // "</assembly>" or with a prefix, "</asmv1:assembly>".
    return text.find("urn:schemas-microsoft-com:asm.v1") != std::string::npos &&
           text.find("assembly>") != std::string::npos;
}

}  // namespace kvellpack
