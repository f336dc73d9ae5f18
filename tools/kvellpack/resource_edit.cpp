#include "resource_edit.h"

#include <algorithm>
#include <set>

#include "file_io.h"
#include "manifest_text.h"

namespace kvellpack {

namespace {

constexpr size_t kGroupHeaderBytes = 6;
constexpr size_t kGroupEntryBytes = 14;

bool fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

bool isResource(const Resource& r, uint32_t type, uint32_t id)
{
    return !r.type.isText && r.type.id == type && !r.name.isText && r.name.id == id;
}

// Removes every language of type/id; returns the language of the first one removed, else fallback.
uint32_t removeResource(ResourceList* list, uint32_t type, uint32_t id, uint32_t fallback)
{
    uint32_t language = fallback;
    bool first = true;
    for (const Resource& r : *list) {
        if (isResource(r, type, id) && first) {
            language = r.language;
            first = false;
        }
    }
    list->erase(std::remove_if(list->begin(), list->end(), [&](const Resource& r) { return isResource(r, type, id); }),
                list->end());
    return language;
}

Resource makeResource(uint32_t type, uint32_t id, uint32_t language, Bytes data)
{
    Resource r;
    r.type = numbered(type);
    r.name = numbered(id);
    r.language = language;
    r.data = std::move(data);
    return r;
}

void replaceIcon(const std::vector<IconImage>& images, ResourceList* list)
{
    // The old group's images go with it, unless another group shares them.
    std::set<uint32_t> oldImages, sharedImages;
    for (const Resource& r : *list) {
        if (r.type.isText || r.type.id != kRtGroupIcon)
            continue;
        for (uint32_t member : iconGroupMembers(r.data))
            (isResource(r, kRtGroupIcon, kLauncherIconId) ? oldImages : sharedImages).insert(member);
    }
    uint32_t language = removeResource(list, kRtGroupIcon, kLauncherIconId, kLanguageEnglishUs);
    for (uint32_t id : oldImages) {
        if (sharedImages.count(id) == 0)
            removeResource(list, kRtIcon, id, 0);
    }
    std::set<uint32_t> used;
    for (const Resource& r : *list) {
        if (!r.type.isText && r.type.id == kRtIcon && !r.name.isText)
            used.insert(r.name.id);
    }
    Bytes group;
    for (uint16_t field : {uint16_t{0}, uint16_t{1}, static_cast<uint16_t>(images.size())}) {
        group.push_back(static_cast<unsigned char>(field));
        group.push_back(static_cast<unsigned char>(field >> 8));
    }
    uint32_t next = 1;
    for (const IconImage& image : images) {
        while (used.count(next) != 0)
            ++next;
        used.insert(next);
        list->push_back(makeResource(kRtIcon, next, language, image.data));
        size_t at = group.size();
        group.resize(at + kGroupEntryBytes, 0);
        group[at] = image.width;
        group[at + 1] = image.height;
        group[at + 2] = image.colours;
        writeLe16(group, at + 4, image.planes);
        writeLe16(group, at + 6, image.bitCount);
        writeLe32(group, at + 8, static_cast<uint32_t>(image.data.size()));
        writeLe16(group, at + 12, static_cast<uint16_t>(next));
    }
    list->push_back(makeResource(kRtGroupIcon, kLauncherIconId, language, group));
}

bool setStubManifestLevel(const std::string& level, ResourceList* list, std::string* error)
{
    for (Resource& r : *list) {
        if (!isResource(r, kRtManifest, kManifestId))
            continue;
        std::string edited;
        if (!setExecutionLevel(std::string(r.data.begin(), r.data.end()), level, &edited))
            return fail(error, "has a manifest that requests no execution level, so 'resources.execution_level' "
                               "cannot set one; give a manifest of your own with 'resources.manifest'");
        r.data.assign(edited.begin(), edited.end());
        return true;
    }
    return fail(error, "has no manifest whose execution level 'resources.execution_level' could set; "
                       "give a manifest of your own with 'resources.manifest'");
}

}  // namespace

std::vector<uint32_t> iconGroupMembers(const Bytes& group)
{
    std::vector<uint32_t> members;
    if (group.size() < kGroupHeaderBytes)
        return members;
    size_t count = getLe16(&group[4]);
    for (size_t i = 0; i < count && kGroupHeaderBytes + kGroupEntryBytes * (i + 1) <= group.size(); ++i)
        members.push_back(getLe16(&group[kGroupHeaderBytes + kGroupEntryBytes * i + 12]));
    return members;
}

bool applyResourceSettings(const ResourceSettings& settings, ResourceList* list, std::string* error)
{
    if (!settings.icon.empty())
        replaceIcon(settings.icon, list);
    if (settings.setsVersion) {
        removeResource(list, kRtVersion, kVersionId, 0);
        list->push_back(makeResource(kRtVersion, kVersionId, kLanguageEnglishUs, encodeVersionInfo(settings.version)));
    }
    if (!settings.manifest.empty()) {
        uint32_t language = removeResource(list, kRtManifest, kManifestId, kLanguageEnglishUs);
        list->push_back(makeResource(kRtManifest, kManifestId, language,
                                     Bytes(settings.manifest.begin(), settings.manifest.end())));
    }
    return settings.executionLevel.empty() || setStubManifestLevel(settings.executionLevel, list, error);
}

}  // namespace kvellpack
