// A resource directory as a flat list (type, name, language and bytes of each
// resource): read from an image, edited, and laid out again for a new section.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "pe_image.h"

namespace kvellpack {

// A type or name: a number, or (when text is set) a string as the directory holds it.
struct ResourceName {
    uint32_t id = 0;
    bool isText = false;
    std::u16string text;
};

struct Resource {
    ResourceName type;
    ResourceName name;
    uint32_t language = 0;
    uint32_t codePage = 0;
    Bytes data;
};

using ResourceList = std::vector<Resource>;

constexpr uint32_t kRtIcon = 3;
constexpr uint32_t kRtDialog = 5;
constexpr uint32_t kRtGroupIcon = 14;
constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kRtManifest = 24;
constexpr uint32_t kLanguageEnglishUs = 0x0409;  // what the stub's resource script uses

ResourceName numbered(uint32_t id);
bool sameName(const ResourceName& a, const ResourceName& b);

// The tree whose root lies at rva; its data may lie in any section. False,
// with *error completing "the resource directory ...", when it is damaged.
bool readResourceTree(const PeHeaders& headers, const Bytes& image, uint32_t rva, ResourceList* list,
                      std::string* error);

// The directory for a section at sectionRva: tables, data entries, names, then
// the data, each resource 8-byte aligned. Entries are sorted as the loader's
// binary search needs: names before numbers, each ascending.
Bytes writeResourceTree(const ResourceList& list, uint32_t sectionRva);

}  // namespace kvellpack
