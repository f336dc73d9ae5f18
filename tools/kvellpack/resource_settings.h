// The Windows resources a project sets ([resources] in the project file): the
// icon, the version information and the manifest. Whatever it leaves unset
// stays as the stub has it.
#pragma once
#include <string>
#include <vector>

#include "ico_file.h"
#include "version_resource.h"

namespace kvellpack {

struct ResourceSettings {
    std::string iconPath;  // as the project file names it, for messages
    std::vector<IconImage> icon;
    bool setsVersion = false;
    VersionInfo version;
    std::string manifestPath;
    std::string manifest;        // the vendor's own, replacing the stub's
    std::string executionLevel;  // set in the stub's manifest

    bool any() const { return !icon.empty() || setsVersion || !manifest.empty() || !executionLevel.empty(); }
};

}  // namespace kvellpack
