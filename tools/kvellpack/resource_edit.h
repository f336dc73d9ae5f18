// The project's resources applied to the stub's: the icon group 1001 (which
// the dialogs and their window class load) with its images, the version
// information 1 and the manifest 1.
#pragma once
#include <string>

#include "resource_settings.h"
#include "resource_tree.h"

namespace kvellpack {

constexpr uint32_t kLauncherIconId = 1001;  // installer/dialog_ids.h: KVELL_ICON_ID
constexpr uint32_t kManifestId = 1;         // CREATEPROCESS_MANIFEST_RESOURCE_ID
constexpr uint32_t kVersionId = 1;

// False with *error, completing a sentence about the stub, when a setting
// cannot be applied (an execution level for a stub without a manifest that
// requests one).
bool applyResourceSettings(const ResourceSettings& settings, ResourceList* list, std::string* error);

// The RT_ICON numbers an icon group refers to.
std::vector<uint32_t> iconGroupMembers(const Bytes& group);

}  // namespace kvellpack
