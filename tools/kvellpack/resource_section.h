// kvellpack's resource section: the whole resource directory, rewritten, in a
// new last section, so that nothing of the stub has to move; the stub's own
// .rsrc stays in place, unused. The Payload then follows this section, where
// the launcher looks for it.
#pragma once
#include <string>

#include "pe_image.h"
#include "resource_tree.h"

namespace kvellpack {

constexpr const char* kAddedSectionName = ".kvrsrc";

// Takes out the section an earlier packing added and restores the header
// fields it changed, so that the image is the stub's again (ending at its own
// last section); *removed says whether there was one.
bool removeAddedSection(Bytes* image, bool* removed, std::string* error);

// Appends a section holding list and points data directory 2 at it. Fails
// when the section table has no room for one more header. *error completes a
// sentence about the stub ("has no room ...").
bool addResourceSection(Bytes* image, const ResourceList& list, std::string* error);

// The resources the loader sees (data directory 2); *added says whether they
// lie in a section that kvellpack added.
bool readImageResources(const Bytes& image, ResourceList* list, bool* added, std::string* error);

}  // namespace kvellpack
