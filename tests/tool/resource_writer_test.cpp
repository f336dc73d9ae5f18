// The resources kvellpack writes into a launcher: read back from the packed
// file with the launcher's own Payload reader and kvellpack's resource reader,
// on the built stub (dialogs, icon, manifest) and on an image without any.
#include <gtest/gtest.h>

#include "payload/config_ids.h"
#include "resource_fixtures.h"
#include "test_support.h"
#include "tools/kvellpack/payload_writer.h"
#include "tools/kvellpack/pe_checksum.h"
#include "tools/kvellpack/pe_image.h"
#include "tools/kvellpack/project_file.h"
#include "tools/kvellpack/resource_edit.h"
#include "tools/kvellpack/resource_section.h"
#include "tools/kvellpack/version_resource.h"

using namespace kvellpack;

namespace {

struct Resources : ScratchDir {
    std::string error;

    void SetUp() override
    {
        ScratchDir::SetUp();
        writeBytes(path("app.ico"), makeIco({{16, bitmapIconImage(16, 0x40)}, {256, pngIconImage(256)}}));
    }

    // Packs the project text onto stub; empty on failure, with error set.
    Bytes pack(const std::string& toml, const std::string& stub, const std::string& out)
    {
        Project project;
        PackResult result;
        error.clear();
        if (!loadProjectText(toml, "p.toml", dir, &project, &error) ||
            !packLauncher(stub, project, out, &result, &error))
            return {};
        return readBytes(out);
    }

    ResourceList resourcesOf(const Bytes& image, bool* added = nullptr)
    {
        ResourceList list;
        bool inAdded = false;
        std::string why;
        EXPECT_TRUE(readImageResources(image, &list, &inAdded, &why)) << why;
        if (added != nullptr)
            *added = inAdded;
        return list;
    }
};

const Resource* find(const ResourceList& list, uint32_t type, uint32_t id)
{
    for (const Resource& r : list) {
        if (!r.type.isText && r.type.id == type && !r.name.isText && r.name.id == id)
            return &r;
    }
    return nullptr;
}

size_t countOfType(const ResourceList& list, uint32_t type)
{
    size_t n = 0;
    for (const Resource& r : list)
        n += (!r.type.isText && r.type.id == type) ? 1 : 0;
    return n;
}

// The headers of a packed launcher agree with each other and with where the
// launcher will look for its Payload.
void expectConsistentImage(const Bytes& out, const std::string& scratch)
{
    PeHeaders headers;
    std::string why;
    ASSERT_TRUE(readPeHeaders(out, &headers, &why)) << why;
    const PeSection& last = headers.sections.back();
    EXPECT_EQ(last.name, kAddedSectionName);
    EXPECT_EQ(last.rawPointer % headers.fileAlignment, 0u);
    EXPECT_EQ(last.rawSize % headers.fileAlignment, 0u);
    const PeSection& before = headers.sections[headers.sections.size() - 2];
    uint32_t memoryEnd = before.virtualAddress + (before.virtualSize != 0 ? before.virtualSize : before.rawSize);
    EXPECT_EQ(last.virtualAddress, (memoryEnd + headers.sectionAlignment - 1) & ~(headers.sectionAlignment - 1));
    EXPECT_EQ(headers.sizeOfImage,
              (last.virtualAddress + last.virtualSize + headers.sectionAlignment - 1) & ~(headers.sectionAlignment - 1));
    EXPECT_EQ(resourceDirectoryRva(out), last.virtualAddress);
    EXPECT_EQ(readLe32(out, headers.optionalHeader + 64), referenceChecksum(out, headers.optionalHeader + 64));

    ConfigStore store;
    PayloadLayout layout;
    writeBytes(scratch, out);
    ASSERT_EQ(readPayloadOf(scratch, &store, &layout), PayloadStatus::Ok);
    EXPECT_EQ(layout.payloadStart, static_cast<int64_t>(last.rawPointer) + last.rawSize);
    EXPECT_EQ(store.strings[cfg::kMainClass], "a.Main");
}

const char* const kAllResources = R"(
main_class = "a.Main"
[resources]
icon = "app.ico"
file_version = "1.2.3.4"
company_name = "Grüße AG"
copyright = "© 2024"
execution_level = "requireAdministrator"
)";

}  // namespace

#ifdef KVELL_WINDOWS_STUB
TEST_F(Resources, TheStubKeepsItsDialogsAndGetsTheProjectsIconVersionAndLevel)
{
    Bytes stub = readBytes(KVELL_WINDOWS_STUB);
    Bytes out = pack(kAllResources, KVELL_WINDOWS_STUB, path("out.exe"));
    ASSERT_FALSE(out.empty()) << error;
    expectConsistentImage(out, path("check.exe"));
    EXPECT_EQ(sectionCount(out), sectionCount(stub) + 1);

    ResourceList before = resourcesOf(stub);
    bool added = false;
    ResourceList after = resourcesOf(out, &added);
    EXPECT_TRUE(added);
    for (uint32_t dialog : {103u, 104u}) {
        ASSERT_NE(find(after, kRtDialog, dialog), nullptr);
        EXPECT_EQ(find(after, kRtDialog, dialog)->data, find(before, kRtDialog, dialog)->data);
    }
    // The icon group refers to exactly the new images; the stub's four are gone.
    const Resource* group = find(after, kRtGroupIcon, kLauncherIconId);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->language, find(before, kRtGroupIcon, kLauncherIconId)->language);
    std::vector<uint32_t> members = iconGroupMembers(group->data);
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(countOfType(after, kRtIcon), 2u);
    EXPECT_EQ(find(after, kRtIcon, members[0])->data, bitmapIconImage(16, 0x40));
    EXPECT_EQ(find(after, kRtIcon, members[1])->data, pngIconImage(256));
    EXPECT_EQ(group->data[6 + 14], 0);  // 256 pixels, as 0

    VersionInfo info;
    ASSERT_NE(find(after, kRtVersion, 1), nullptr);
    ASSERT_TRUE(decodeVersionInfo(find(after, kRtVersion, 1)->data, &info));
    EXPECT_EQ(info.fileVersion, (VersionNumbers{1, 2, 3, 4}));
    EXPECT_EQ(info.productVersion, (VersionNumbers{1, 2, 3, 4}));  // stands in for the missing one
    using Strings = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(info.strings, (Strings{{"CompanyName", "Grüße AG"},
                                     {"FileVersion", "1.2.3.4"},
                                     {"LegalCopyright", "© 2024"},
                                     {"ProductVersion", "1.2.3.4"}}));

    // Only the level changes in the stub's manifest.
    std::string manifest(find(before, kRtManifest, 1)->data.begin(), find(before, kRtManifest, 1)->data.end());
    size_t at = manifest.find("\"asInvoker\"");
    ASSERT_NE(at, std::string::npos);
    manifest.replace(at + 1, 9, "requireAdministrator");
    const Bytes& written = find(after, kRtManifest, 1)->data;
    EXPECT_EQ(std::string(written.begin(), written.end()), manifest);
}

TEST_F(Resources, PackingAgainStartsFromTheStubItself)
{
    Bytes first = pack(kAllResources, KVELL_WINDOWS_STUB, path("first.exe"));
    ASSERT_FALSE(first.empty()) << error;
    const std::string versionOnly = "main_class = \"a.Main\"\n[resources]\nproduct_version = \"7.0\"\n";
    // The earlier section is replaced, not stacked, and leaves no trace.
    Bytes again = pack(versionOnly, path("first.exe"), path("again.exe"));
    ASSERT_FALSE(again.empty()) << error;
    EXPECT_EQ(again, pack(versionOnly, KVELL_WINDOWS_STUB, path("fresh.exe")));
    expectConsistentImage(again, path("check.exe"));
    EXPECT_EQ(find(resourcesOf(again), kRtGroupIcon, kLauncherIconId)->data,
              find(resourcesOf(readBytes(KVELL_WINDOWS_STUB)), kRtGroupIcon, kLauncherIconId)->data);
    // Without resource keys the launcher is the plain stub's again.
    const std::string none = "main_class = \"a.Main\"\n";
    Bytes plain = pack(none, path("first.exe"), path("plain.exe"));
    ASSERT_FALSE(plain.empty()) << error;
    EXPECT_EQ(plain, pack(none, KVELL_WINDOWS_STUB, path("plain-fresh.exe")));
    EXPECT_EQ(sectionCount(plain), sectionCount(readBytes(KVELL_WINDOWS_STUB)));
}
#endif

TEST_F(Resources, AnImageWithoutResourcesGetsADirectoryOfItsOwn)
{
    writeBytes(path("bare.exe"), makeImage(2));
    Bytes out = pack("main_class = \"a.Main\"\n[resources]\nicon = \"app.ico\"\nproduct_name = \"Bare\"\n",
                     path("bare.exe"), path("out.exe"));
    ASSERT_FALSE(out.empty()) << error;
    expectConsistentImage(out, path("check.exe"));
    ResourceList list = resourcesOf(out);
    ASSERT_EQ(list.size(), 4u);  // two images, their group, the version
    for (const Resource& r : list)
        EXPECT_EQ(r.language, kLanguageEnglishUs);
    EXPECT_NE(find(list, kRtGroupIcon, kLauncherIconId), nullptr);
    EXPECT_NE(find(list, kRtVersion, 1), nullptr);

    // Nothing to set a level in.
    EXPECT_TRUE(pack("[resources]\nexecution_level = \"highestAvailable\"\n", path("bare.exe"), path("x.exe")).empty());
    EXPECT_EQ(error, "stub '" + path("bare.exe") +
                         "' has no manifest whose execution level 'resources.execution_level' could set; give a "
                         "manifest of your own with 'resources.manifest'");
}

TEST_F(Resources, AFullSectionTableIsRefused)
{
    writeBytes(path("full.exe"), makeImage(3));
    EXPECT_TRUE(pack("[resources]\nfile_version = \"1\"\n", path("full.exe"), path("out.exe")).empty());
    EXPECT_EQ(error, "stub '" + path("full.exe") +
                         "' has no room for one more section header, which the resources need (its section table "
                         "ends at 512, its first section's data starts at 512)");
    // Packing without resources still works: nothing has to be added.
    EXPECT_FALSE(pack("main_class = \"a.Main\"\n", path("full.exe"), path("out.exe")).empty()) << error;
}

TEST_F(Resources, ResourcesNamedByTextSurviveInTheLoadersOrder)
{
    auto resource = [](ResourceName type, ResourceName name, uint32_t language, size_t size) {
        Resource r;
        r.type = type;
        r.name = name;
        r.language = language;
        r.codePage = language == 1031 ? 1252 : 0;
        r.data.assign(size, static_cast<unsigned char>(size));
        return r;
    };
    auto text = [](const char16_t* name) {
        ResourceName n;
        n.isText = true;
        n.text = name;
        return n;
    };
    // Given out of order; the loader's binary search needs names first, then numbers, each ascending.
    ResourceList given = {resource(numbered(10), numbered(5), 1033, 3), resource(numbered(10), text(u"ZED"), 0, 9),
                          resource(text(u"PNG"), text(u"LOGO"), 0, 17), resource(numbered(10), numbered(5), 1031, 1),
                          resource(numbered(2), numbered(7), 0, 0)};
    Bytes image = makeImage(2);
    ASSERT_TRUE(addResourceSection(&image, given, &error)) << error;
    ResourceList back = resourcesOf(image);
    ASSERT_EQ(back.size(), given.size());
    const Resource* expected[] = {&given[2], &given[4], &given[1], &given[3], &given[0]};
    for (size_t i = 0; i < back.size(); ++i) {
        EXPECT_TRUE(sameName(back[i].type, expected[i]->type)) << i;
        EXPECT_TRUE(sameName(back[i].name, expected[i]->name)) << i;
        EXPECT_EQ(back[i].language, expected[i]->language) << i;
        EXPECT_EQ(back[i].codePage, expected[i]->codePage) << i;
        EXPECT_EQ(back[i].data, expected[i]->data) << i;
    }
}

TEST(PeChecksum, ChunksMayEndAtOddOffsets)
{
    Bytes file(1001);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<unsigned char>(i * 37 + (i >> 3));
    PeChecksum sum;
    for (size_t at = 0, chunk = 1; at < file.size(); at += chunk, chunk += 2)
        addToChecksum(&sum, &file[at], std::min(chunk, file.size() - at));
    EXPECT_EQ(finishChecksum(sum), referenceChecksum(file, file.size()));
}
