// What `kvellpack inspect` shows of a launcher's resources (type, name,
// language and size of each; the icon's sizes, the version strings, the
// manifest's execution level) and the pack summary's line about them.
#pragma once
#include <cstdint>
#include <string>

#include "fs/platform.h"
#include "resource_settings.h"
#include "resource_tree.h"

namespace kvellpack {

struct LauncherResources {
    ResourceList list;
    bool added = false;  // in the section kvellpack adds
    std::string damage;  // why they cannot be read; empty when they can
};

// The resources of the image before payloadStart; damage is reported, not an error.
void readLauncherResources(const FileHandle& file, int64_t payloadStart, LauncherResources* resources);

std::string describeResources(const LauncherResources& resources);

// "icon app.ico (16x16, 32x32), version information 1.2.0.0, ..." for what the project set.
std::string packedResourcesNote(const ResourceSettings& settings);

}  // namespace kvellpack
