#include "version_limits.h"

#include <algorithm>

#include "jvm/version_compare.h"
#include "payload/config_ids.h"

namespace kvellpack {

std::string versionLimitConflict(const Project& project, int* entry)
{
    auto minimum = project.strings.find(cfg::kMinVersion);
    auto maximum = project.strings.find(cfg::kMaxVersion);
    if (minimum == project.strings.end() || maximum == project.strings.end() || minimum->second.empty() ||
        maximum->second.empty())
        return "";
    const char* low = minimum->second.c_str();
    const char* high = maximum->second.c_str();
    // Both are prefixes: 17.0.5 up to 17 leaves room, 11 up to 1.8 does not.
    size_t shared = std::min(versionComponentCount(low), versionComponentCount(high));
    if (compareVersionComponents(low, high, shared) <= 0)
        return "";
    *entry = cfg::kMinVersion;
    return "min_version " + minimum->second + " is above max_version " + maximum->second +
           ": no Java version meets both";
}

}  // namespace kvellpack
