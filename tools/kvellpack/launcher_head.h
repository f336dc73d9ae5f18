// The launcher's bytes before its Payload: the stub's up to the end of its last
// section, with the header fields that described the old file cleared and the
// project's resources, if it sets any, in a section of their own.
#pragma once
#include <string>

#include "pe_image.h"
#include "pe_stub.h"
#include "resource_settings.h"

namespace kvellpack {

struct LauncherHead {
    Bytes bytes;
    bool replacedResources = false;  // an earlier packing's resource section was taken out
};

// *error completes a sentence about the stub.
bool buildLauncherHead(const FileHandle& stub, const StubLayout& layout, const ResourceSettings& resources,
                       LauncherHead* head, std::string* error);

}  // namespace kvellpack
