#include <filesystem>

#include <gtest/gtest.h>

#include "payload/config_ids.h"
#include "test_support.h"
#include "tools/kvellpack/project_file.h"
#include "tools/kvellpack/runtime_jar.h"

using namespace kvellpack;

namespace {

struct RuntimeJar : ScratchDir {
    Project project;
    RuntimeJarSources sources;
    std::string addedFrom = "<untouched>";
    std::string error;

    void SetUp() override
    {
        ScratchDir::SetUp();
        writeText(path("app.jar"), "app");
        std::filesystem::create_directories(path("dist"));
        writeText(path("dist/kvell-runtime.jar"), "runtime classes");
        sources.option = path("dist/kvell-runtime.jar");
    }

    void loadToml(const std::string& toml)
    {
        project = Project();
        ASSERT_TRUE(loadProjectText(toml, "p.toml", dir, &project, &error)) << error;
    }

    bool add()
    {
        error.clear();
        return addRuntimeJar(&project, sources, &addedFrom, &error);
    }

    std::string string(int id) { return project.strings.count(id) ? project.strings[id] : "<absent>"; }
};

}  // namespace

TEST_F(RuntimeJar, IsAppendedAfterTheProjectsOwnFiles)
{
    loadToml("included_files = [\"app.jar\"]\n");
    ASSERT_TRUE(add()) << error;
    EXPECT_EQ(addedFrom, path("dist/kvell-runtime.jar"));
    ASSERT_EQ(project.files.size(), 2u);
    EXPECT_EQ(project.files[0].name, "app.jar");
    EXPECT_EQ(project.files[1].name, "kvell-runtime.jar");
    EXPECT_EQ(project.files[1].path, path("dist/kvell-runtime.jar"));
    EXPECT_EQ(project.files[1].size, 15);
    EXPECT_EQ(string(cfg::kIncludedFileCount), "2");
    EXPECT_EQ(string(cfg::kIncludedFileNames), "app.jar;kvell-runtime.jar");

    // A project without included files gets both entries for the jar alone.
    loadToml("main_class = \"a.B\"\n");
    ASSERT_TRUE(add()) << error;
    EXPECT_EQ(string(cfg::kIncludedFileCount), "1");
    EXPECT_EQ(string(cfg::kIncludedFileNames), "kvell-runtime.jar");
}

TEST_F(RuntimeJar, NothingIsAddedWhenTheProjectOptsOutOrBringsItsOwn)
{
    sources = RuntimeJarSources();  // no jar anywhere: a lookup would fail
    loadToml("include_runtime_jar = false\nincluded_files = [\"app.jar\"]\n");
    ASSERT_TRUE(add()) << error;
    EXPECT_EQ(addedFrom, "");
    EXPECT_EQ(project.files.size(), 1u);
    EXPECT_EQ(string(cfg::kIncludedFileNames), "app.jar");

    loadToml("include_runtime_jar = false\n");
    ASSERT_TRUE(add()) << error;
    EXPECT_EQ(string(cfg::kIncludedFileCount), "<absent>");

    // Named like the runtime jar in any letter case: that file is the jar.
    loadToml("included_files = [\"app.jar\", { path = \"app.jar\", name = \"Kvell-Runtime.JAR\" }]\n");
    ASSERT_TRUE(add()) << error;
    EXPECT_EQ(addedFrom, "");
    EXPECT_EQ(project.files.size(), 2u);
    EXPECT_EQ(string(cfg::kIncludedFileNames), "app.jar;Kvell-Runtime.JAR");
}

TEST_F(RuntimeJar, AnExplicitPathIsTheOnlyPlaceLookedIn)
{
    sources = {"opt.jar", "var.jar", "/opt/kvell/bin"};
    std::vector<RuntimeJarCandidate> candidates = runtimeJarCandidates(sources);
    ASSERT_EQ(candidates.size(), 1u);
    EXPECT_EQ(candidates[0].path, "opt.jar");
    EXPECT_EQ(candidates[0].origin, "--runtime-jar");

    sources.option.clear();
    candidates = runtimeJarCandidates(sources);
    ASSERT_EQ(candidates.size(), 1u);
    EXPECT_EQ(candidates[0].path, "var.jar");
    EXPECT_EQ(candidates[0].origin, "KVELL_RUNTIME_JAR");

    sources.variable.clear();
    candidates = runtimeJarCandidates(sources);
    ASSERT_EQ(candidates.size(), 2u);
    EXPECT_EQ(candidates[0].path, "/opt/kvell/bin/kvell-runtime.jar");
    EXPECT_EQ(candidates[1].path, "/opt/kvell/java/kvell-runtime.jar");

    sources.programDir.clear();
    EXPECT_TRUE(runtimeJarCandidates(sources).empty());
}

TEST_F(RuntimeJar, TheFirstDefaultPlaceHoldingTheJarWins)
{
    std::filesystem::create_directories(path("tools"));
    std::filesystem::create_directories(path("java"));
    writeText(path("java/kvell-runtime.jar"), "build tree");
    sources = {"", "", path("tools")};
    loadToml("");
    ASSERT_TRUE(add()) << error;
    EXPECT_EQ(addedFrom, path("java/kvell-runtime.jar"));

    writeText(path("tools/kvell-runtime.jar"), "installed");
    loadToml("");
    ASSERT_TRUE(add()) << error;
    EXPECT_EQ(addedFrom, path("tools/kvell-runtime.jar"));
}

TEST_F(RuntimeJar, AJarThatIsNotThereIsOneClearError)
{
    const std::string advice = "; pass --runtime-jar PATH or set include_runtime_jar = false";
    loadToml("included_files = [\"app.jar\"]\n");
    sources = {path("none.jar"), "", ""};
    EXPECT_FALSE(add());
    EXPECT_EQ(error, "kvell-runtime.jar not found (looked in " + path("none.jar") + " (--runtime-jar))" + advice);
    sources = {"", path("dist"), ""};  // a directory is not the jar
    EXPECT_FALSE(add());
    EXPECT_EQ(error, "kvell-runtime.jar not found (looked in " + path("dist") + " (KVELL_RUNTIME_JAR))" + advice);
    sources = {"", "", path("bin")};
    EXPECT_FALSE(add());
    EXPECT_EQ(error, "kvell-runtime.jar not found (looked in " + path("bin/kvell-runtime.jar") + ", " +
                         path("java/kvell-runtime.jar") + ")" + advice);
    EXPECT_EQ(project.files.size(), 1u);
    EXPECT_EQ(string(cfg::kIncludedFileCount), "1");

    // An empty file would give the launcher nothing to extract.
    writeText(path("empty.jar"), "");
    sources = {path("empty.jar"), "", ""};
    EXPECT_FALSE(add());
    EXPECT_NE(error.find("is empty"), std::string::npos) << error;
    EXPECT_EQ(project.files.size(), 1u);
}

TEST_F(RuntimeJar, TheJoinedNamesStillFitTheirEntry)
{
    // ";kvell-runtime.jar" adds 18 characters to the 8191 that entry 2003 holds.
    loadToml(includedUnder("app.jar", namesJoiningTo(8173)));
    ASSERT_TRUE(add()) << error;
    EXPECT_EQ(string(cfg::kIncludedFileNames).size(), 8191u);

    std::vector<std::string> names = namesJoiningTo(8174);
    loadToml(includedUnder("app.jar", names));
    EXPECT_FALSE(add());
    EXPECT_EQ(error, "adding kvell-runtime.jar: entry 2003 (the included file names) is 8192 characters long; "
                     "the launcher takes at most 8191");
    EXPECT_EQ(project.files.size(), names.size());
    EXPECT_EQ(string(cfg::kIncludedFileCount), std::to_string(names.size()));
    EXPECT_EQ(string(cfg::kIncludedFileNames), joinNames(names));
}
