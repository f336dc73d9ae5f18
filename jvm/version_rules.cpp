#include "jvm/version_rules.h"

#include <algorithm>
#include <cstring>

#include "diag/log.h"
#include "fs/text_buffer.h"
#include "jvm/version_compare.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

namespace {
// Over the limit's components: the limit is a prefix that every version starting
// with it matches; a version with fewer components sorts below it.
int compareOverLimit(const char* version, const char* limit)
{
    return compareVersionComponents(version, limit, versionComponentCount(limit));
}

int compareOverShorter(const char* version, const char* limit)
{
    return compareVersionComponents(version, limit,
                                    std::min(versionComponentCount(version), versionComponentCount(limit)));
}

bool isPreRelease(const char* version)
{
    return std::strstr(version, "beta") != nullptr || std::strstr(version, "ea") != nullptr ||
           std::strstr(version, "rc") != nullptr;
}
} // namespace

bool isVersionAccepted(const char* version, const char* minimum, const char* maximum, bool allowBeta)
{
    if (!allowBeta && getInt(cfg::kAllowPreRelease) == 0 && isPreRelease(version)) {
        logInfo("beta vm not allowed");
        return false;
    }
    if (compareOverLimit(version, minimum) < 0)
        return false;
    return compareOverLimit(version, maximum) <= 0;
}

bool isKeyVersionInRange(const char* version, const char* minimum, const char* maximum)
{
    return compareOverShorter(version, minimum) >= 0 && compareOverShorter(version, maximum) <= 0;
}

bool parseVersionLine(const char* line, char* version, size_t cap)
{
    static const char* const prefixes[] = {"java version \"", "openjdk version \""};
    for (const char* prefix : prefixes) {
        size_t prefixLength = std::strlen(prefix);
        if (std::strncmp(line, prefix, prefixLength) != 0)
            continue;
        // Up to the closing quote: newer runtimes print a date after it.
        const char* start = line + prefixLength;
        const char* end = std::strchr(start, '"');
        size_t length = end != nullptr ? static_cast<size_t>(end - start) : 0;
        if (length == 0 || length >= cap)
            return false;
        std::memcpy(version, start, length);
        version[length] = '\0';
        return true;
    }
    return false;
}
