#include <filesystem>

#include <gtest/gtest.h>

#include "payload/config_ids.h"
#include "test_support.h"
#include "tools/kvellpack/file_patterns.h"
#include "tools/kvellpack/payload_writer.h"
#include "tools/kvellpack/project_file.h"

using namespace kvellpack;

namespace {

struct Patterns : ScratchDir {
    Project project;
    std::string error;

    void SetUp() override
    {
        ScratchDir::SetUp();
        for (const char* folder : {"lib/sub", "conf/sub", "ext"})
            std::filesystem::create_directories(path(folder));
        for (const char* file : {"app.jar", "lib/b.jar", "lib/A.JAR", "lib/.hidden.jar", "lib/notes.txt",
                                 "lib/sub/c.jar", "conf/x.properties", "conf/a.txt", "conf/sub/deep.txt", "ext/z.jar"})
            writeText(path(file), file);
    }

    bool load(const std::string& toml)
    {
        project = Project();
        error.clear();
        return loadProjectText(toml, "p.toml", dir, &project, &error);
    }
};

}  // namespace

TEST(Wildcards, MatchWithinOneNameIgnoringCaseAndPassOverDotNames)
{
    EXPECT_TRUE(wildcardMatch("*.JAR", "app.jar"));
    EXPECT_TRUE(wildcardMatch("a?c*", "abc"));
    EXPECT_FALSE(wildcardMatch("a?c", "ac"));
    EXPECT_TRUE(wildcardMatch("*a*b", "xaxab"));
    EXPECT_FALSE(wildcardMatch("*a*b", "xaxa"));
    EXPECT_FALSE(wildcardMatch("*", ".gitignore"));
    EXPECT_TRUE(wildcardMatch(".*", ".gitignore"));
}

TEST_F(Patterns, FoldersAndPatternsPackTheirFilesInTheOrderOfTheirPaths)
{
    ASSERT_TRUE(load(R"(
        included_files = ["app.jar", "lib/*.jar", "conf"]
        classpath = ["A1lib/*.jar", 'A0ext\*.j?r', "S0plugins", "E0EXTRA"]
    )")) << error;
    // Letter case ignored, dot names and subfolders passed over, sorted by path.
    EXPECT_EQ(project.strings[cfg::kIncludedFileNames], "app.jar;A.JAR;b.jar;a.txt;x.properties");
    ASSERT_EQ(project.files.size(), 5u);
    EXPECT_EQ(project.files[1].path, path("lib/A.JAR"));
    // Included matches are named in the extraction directory, the others beside the launcher.
    EXPECT_EQ(project.strings[cfg::kClassPath],
              "A1%KVELL_TEMPDIR%\\A.JAR;A1%KVELL_TEMPDIR%\\b.jar;A0ext\\z.jar;S0plugins;E0EXTRA");

    writeBytes(path("stub.exe"), makeFakePe());
    PackResult result;
    ASSERT_TRUE(packLauncher(path("stub.exe"), project, path("out.exe"), &result, &error)) << error;
    ConfigStore store;
    PayloadLayout layout;
    ASSERT_EQ(readPayloadOf(path("out.exe"), &store, &layout), PayloadStatus::Ok);
    std::vector<Bytes> files = readIncludedFiles(path("out.exe"), layout.includedFilesOffset, 5);
    ASSERT_EQ(files.size(), 5u);
    EXPECT_EQ(files[4], Bytes({'c', 'o', 'n', 'f', '/', 'x', '.', 'p', 'r', 'o', 'p', 'e', 'r', 't', 'i', 'e', 's'}));
}

TEST_F(Patterns, PatternsThatCannotBeExpandedNameTheirKey)
{
    EXPECT_FALSE(load("included_files = [\"lib/*.zip\"]\n"));
    EXPECT_EQ(error, "p.toml:1: 'included_files': 'lib/*.zip' matches no file");
    EXPECT_FALSE(load("included_files = [{ path = \"lib/*.jar\", name = \"x.jar\" }]\n"));
    EXPECT_EQ(error, "p.toml:1: 'included_files': 'lib/*.jar' names several files, which cannot share one 'name'");
    EXPECT_FALSE(load("classpath = 'A1none\\*.jar;S0x'\n"));
    EXPECT_EQ(error, "p.toml:1: 'classpath': class path entry 'A1none\\*.jar' matches no file");
    EXPECT_FALSE(load("classpath = [\"S0lib/*\"]\n"));
    EXPECT_EQ(error, "p.toml:1: 'classpath': class path entry 'S0lib/*' has a wildcard, which only A and D entries "
                     "take");
    EXPECT_FALSE(load("classpath = [\"A1%KVELL_EXEDIR%lib/*.jar\"]\n"));
    EXPECT_NE(error.find("has a wildcard and a placeholder"), std::string::npos) << error;
}
