// Writing a launcher: the stub up to the end of its last section (with the
// project's resources, see launcher_head.h), then the Payload (entries and
// included files).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "project.h"

namespace kvellpack {

// The launcher reads its Payload with 32-bit positions.
constexpr int64_t kMaxLauncherSize = 0x7FFFFFFF;

// Magic, the string entries, the wide entries: everything before the files.
std::vector<unsigned char> encodeEntries(const Project& project);

struct PackResult {
    int64_t payloadStart = 0;
    int64_t fileSize = 0;
    int64_t droppedBytes = 0;     // what followed the last section in the stub
    bool droppedSignature = false;
    bool replacedResources = false;  // the stub carried an earlier packing's resource section
};

// Writes outPath through a temporary file beside it, so the stub may be the
// output itself and a failure leaves no half-written launcher.
bool packLauncher(const std::string& stubPath, const Project& project, const std::string& outPath,
                  PackResult* result, std::string* error);

}  // namespace kvellpack
