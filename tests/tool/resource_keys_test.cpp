// The [resources] table: each mistake is one line naming the key (and the file
// it names), at the key's line of the project file.
#include <gtest/gtest.h>

#include "resource_fixtures.h"
#include "test_support.h"
#include "tools/kvellpack/project_file.h"

using namespace kvellpack;

namespace {

struct ResourceKeys : ScratchDir {
    Project project;
    std::string error;

    bool load(const std::string& body)
    {
        project = Project();
        error.clear();
        return loadProjectText("[resources]\n" + body, "p.toml", dir, &project, &error);
    }

    std::string refusal(const std::string& body)
    {
        EXPECT_FALSE(load(body)) << body;
        return error;
    }
};

}  // namespace

TEST_F(ResourceKeys, BadIconsAreRefusedNamingKeyAndFile)
{
    Bytes good = makeIco({{32, bitmapIconImage(32, 1)}});
    Bytes truncatedDirectory(good.begin(), good.begin() + 12);
    Bytes imageBeyondEnd(good.begin(), good.end() - 1);
    Bytes noImages = {0, 0, 1, 0, 0, 0};
    Bytes notAnImage = makeIco({{16, Bytes(64, 'x')}});
    const std::pair<Bytes, std::string> cases[] = {
        {Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0}, "is not an icon (it does not start with an icon directory)"},
        {noImages, "holds no images"},
        {truncatedDirectory, "is truncated: its directory lists 1 images, but the file ends at 12 bytes"},
        {imageBeyondEnd, "is truncated: image 1 (32x32) would end at " + std::to_string(good.size()) +
                             ", after the end of the file at " + std::to_string(good.size() - 1)},
        {notAnImage, "has an image 1 (16x16) that is neither a PNG nor a bitmap"},
    };
    for (const auto& [bytes, why] : cases) {
        writeBytes(path("bad.ico"), bytes);
        EXPECT_EQ(refusal("product_name = \"x\"\nicon = \"bad.ico\"\n"),
                  "p.toml:3: 'resources.icon': icon file 'bad.ico' " + why);
    }
    EXPECT_EQ(refusal("icon = \"missing.ico\"\n"),
              "p.toml:2: 'resources.icon': icon file 'missing.ico' not found (looked for " + path("missing.ico") + ")");

    writeBytes(path("good.ico"), makeIco({{48, bitmapIconImage(48, 2)}, {256, pngIconImage(256)}}));
    ASSERT_TRUE(load("icon = \"good.ico\"\n")) << error;
    ASSERT_EQ(project.resources.icon.size(), 2u);
    EXPECT_TRUE(project.resources.icon[1].png);
}

TEST_F(ResourceKeys, VersionsLevelsAndManifestsAreChecked)
{
    const std::string numbers = "must be one to four numbers from 0 to 65535 separated by dots, such as 1.2.3.4";
    EXPECT_EQ(refusal("file_version = \"1.2.x\"\n"), "p.toml:2: 'resources.file_version' " + numbers + ", not '1.2.x'");
    EXPECT_EQ(refusal("product_version = \"1.2.3.4.5\"\n"),
              "p.toml:2: 'resources.product_version' " + numbers + ", not '1.2.3.4.5'");
    EXPECT_EQ(refusal("file_version = \"65536\"\n"), "p.toml:2: 'resources.file_version' " + numbers + ", not '65536'");
    EXPECT_EQ(refusal("company_name = 3\n"), "p.toml:2: 'resources.company_name' must be a string, not an integer");
    EXPECT_EQ(refusal("execution_level = \"admin\"\n"),
              "p.toml:2: 'resources.execution_level' must be \"asInvoker\", \"highestAvailable\" or "
              "\"requireAdministrator\", not \"admin\"");
    EXPECT_EQ(refusal("icon_file = \"a.ico\"\n"), "p.toml:2: unknown key 'resources.icon_file'");
    EXPECT_EQ(refusal("product_verison = \"1.0\"\n"),
              "p.toml:2: unknown key 'resources.product_verison'; did you mean 'resources.product_version'?");

    writeText(path("app.manifest"), "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\"></assembly>");
    writeText(path("notes.txt"), "just text");
    EXPECT_EQ(refusal("manifest = \"notes.txt\"\n"),
              "p.toml:2: 'resources.manifest': manifest 'notes.txt' is not an application manifest (UTF-8 XML, an "
              "<assembly> of urn:schemas-microsoft-com:asm.v1)");
    EXPECT_EQ(refusal("manifest = \"app.manifest\"\nexecution_level = \"asInvoker\"\n"),
              "p.toml:3: 'resources.execution_level' sets the level in the stub's manifest; with "
              "'resources.manifest', set it in that file");

    ASSERT_TRUE(load("product_version = \"2.1\"\nproduct_name = \"App\"\n")) << error;
    EXPECT_TRUE(project.resources.setsVersion);
    EXPECT_EQ(project.resources.version.fileVersion, (VersionNumbers{2, 1, 0, 0}));
}
