#include "resource_report.h"

#include <cstdio>

#include "file_io.h"
#include "fs/wide.h"
#include "manifest_text.h"
#include "report.h"
#include "resource_edit.h"
#include "resource_section.h"
#include "version_resource.h"

namespace kvellpack {

namespace {

std::string typeName(const ResourceName& type)
{
    static const char* const kNames[] = {nullptr,      "RT_CURSOR",     "RT_BITMAP",       "RT_ICON",
                                         "RT_MENU",    "RT_DIALOG",     "RT_STRING",       "RT_FONTDIR",
                                         "RT_FONT",    "RT_ACCELERATOR", "RT_RCDATA",      "RT_MESSAGETABLE",
                                         "RT_GROUP_CURSOR", nullptr,    "RT_GROUP_ICON",   nullptr,
                                         "RT_VERSION", "RT_DLGINCLUDE", nullptr,           "RT_PLUGPLAY",
                                         "RT_VXD",     "RT_ANICURSOR",  "RT_ANIICON",      "RT_HTML",
                                         "RT_MANIFEST"};
    if (!type.isText && type.id < std::size(kNames) && kNames[type.id] != nullptr)
        return kNames[type.id];
    if (!type.isText)
        return std::to_string(type.id);
    return quoteForDisplay(utf8FromWide(WideString(type.text.begin(), type.text.end())));
}

std::string nameText(const ResourceName& name)
{
    return name.isText ? quoteForDisplay(utf8FromWide(WideString(name.text.begin(), name.text.end())))
                       : std::to_string(name.id);
}

const Resource* findImage(const ResourceList& list, uint32_t id)
{
    for (const Resource& r : list) {
        if (!r.type.isText && r.type.id == kRtIcon && !r.name.isText && r.name.id == id)
            return &r;
    }
    return nullptr;
}

// "16x16 32-bit, 256x256 PNG" from a group's entries and its images.
std::string iconGroupText(const ResourceList& list, const Resource& group)
{
    std::string out;
    std::vector<uint32_t> members = iconGroupMembers(group.data);
    for (size_t i = 0; i < members.size(); ++i) {
        const unsigned char* entry = &group.data[6 + 14 * i];
        const Resource* image = findImage(list, members[i]);
        std::string kind = image == nullptr ? "missing"
                           : image->data.size() >= 4 && image->data[1] == 'P' && image->data[2] == 'N'
                               ? "PNG"
                               : std::to_string(getLe16(entry + 6)) + "-bit";
        out += (out.empty() ? "" : ", ") + iconSizeText(entry[0], entry[1]) + " " + kind;
    }
    return out;
}

std::string padded(const std::string& text, size_t width)
{
    return text.size() < width ? text + std::string(width - text.size(), ' ') : text;
}

// After the size: what the resource says, when kvellpack knows its kind.
std::string details(const ResourceList& list, const Resource& r)
{
    if (r.type.isText)
        return "";
    if (r.type.id == kRtGroupIcon)
        return ": " + iconGroupText(list, r);
    if (r.type.id == kRtManifest) {
        std::string level = executionLevelOf(std::string(r.data.begin(), r.data.end()));
        return level.empty() ? ": no execution level" : ": execution level " + level;
    }
    if (r.type.id == kRtVersion) {
        VersionInfo info;
        if (!decodeVersionInfo(r.data, &info))
            return ": damaged";
        std::string out = ": file " + versionNumbersText(info.fileVersion) + ", product " +
                          versionNumbersText(info.productVersion) + "\n";
        for (const auto& [name, value] : info.strings)
            out += "    " + padded(name, 18) + " " + quoteForDisplay(value) + "\n";
        out.pop_back();
        return out;
    }
    return "";
}

}  // namespace

void readLauncherResources(const FileHandle& file, int64_t payloadStart, LauncherResources* resources)
{
    *resources = LauncherResources();
    Bytes image(static_cast<size_t>(payloadStart > 0 ? payloadStart : 0));
    if (!readAt(file, 0, image.data(), static_cast<uint32_t>(image.size()))) {
        resources->damage = "the headers cannot be read";
        return;
    }
    std::string why;
    if (!readImageResources(image, &resources->list, &resources->added, &why))
        resources->damage = why;
}

std::string describeResources(const LauncherResources& resources)
{
    if (!resources.damage.empty())
        return "Resources: unreadable, the file " + resources.damage + "\n";
    std::string out = "Resources: " + std::to_string(resources.list.size());
    if (resources.added)
        out += std::string(", in the section ") + kAddedSectionName + " that kvellpack added";
    out += "\n";
    for (const Resource& r : resources.list) {
        char size[32];
        std::snprintf(size, sizeof size, "%7zu bytes", r.data.size());
        out += "  " + padded(typeName(r.type), 15) + " " + padded(nameText(r.name), 7) + " " +
               padded(std::to_string(r.language), 5) + " " + size + details(resources.list, r) + "\n";
    }
    return out;
}

std::string packedResourcesNote(const ResourceSettings& settings)
{
    std::string out;
    auto add = [&](const std::string& part) { out += (out.empty() ? "" : ", ") + part; };
    if (!settings.icon.empty()) {
        std::string sizes;
        for (const IconImage& image : settings.icon)
            sizes += (sizes.empty() ? "" : ", ") + iconSizeText(image.width, image.height);
        add("icon " + settings.iconPath + " (" + sizes + ")");
    }
    if (settings.setsVersion)
        add("version information " + versionNumbersText(settings.version.fileVersion));
    if (!settings.manifest.empty())
        add("manifest " + settings.manifestPath);
    if (!settings.executionLevel.empty())
        add("execution level " + settings.executionLevel);
    return out;
}

}  // namespace kvellpack
