#include <filesystem>

#include <gtest/gtest.h>

#include "payload/config_ids.h"
#include "test_support.h"
#include "tools/kvellpack/main_class.h"
#include "tools/kvellpack/project_file.h"
#include "tools/kvellpack/project_init.h"

using namespace kvellpack;

namespace {

struct Init : ScratchDir {
    std::string summary, note, error;
    Project project;

    bool init(const std::string& jar, const std::string& out)
    {
        return writeStarterProject(path(jar), path(out), &summary, &note, &error);
    }
};

}  // namespace

TEST_F(Init, TheStarterProjectReachesTheJarAndItsLibFromWhereverItIsWritten)
{
    std::filesystem::create_directories(path("build/my app's/lib"));
    std::filesystem::create_directories(path("packaging"));
    writeJar(path("build/my app's/app.jar"), "Main-Class: com.example.Main\n");
    writeJar(path("build/my app's/lib/one.jar"), "Manifest-Version: 1.0\n");
    ASSERT_TRUE(init("build/my app's/app.jar", "packaging/app.toml")) << error;
    EXPECT_EQ(note, "");
    EXPECT_EQ(summary, "wrote " + path("packaging/app.toml") +
                           " for app.jar (main class com.example.Main; ../build/my app's/lib/*.jar: 1 jar)");

    ASSERT_TRUE(loadProject(path("packaging/app.toml"), &project, &error)) << error;
    EXPECT_EQ(project.strings[cfg::kMainClass], "com.example.Main");
    EXPECT_EQ(project.strings[cfg::kProgramType], "1");
    EXPECT_EQ(project.strings[cfg::kIncludedFileNames], "app.jar;one.jar");
    EXPECT_EQ(project.strings.count(cfg::kClassPath), 0u);  // included jars are on the class path already

    EXPECT_FALSE(init("build/my app's/app.jar", "packaging/app.toml"));
    EXPECT_EQ(error, "'" + path("packaging/app.toml") +
                         "' already exists; kvellpack init does not overwrite a project file");
}

TEST_F(Init, AJarWithoutMainClassGetsAStarterThatAsksForOne)
{
    writeJar(path("tool.jar"), "Manifest-Version: 1.0\n");
    ASSERT_TRUE(init("tool.jar", "tool.toml")) << error;
    EXPECT_EQ(note, "tool.jar's manifest names no Main-Class; set main_class in " + path("tool.toml") +
                        " before packing");
    EXPECT_NE(readBytes(path("tool.toml")).size(), 0u);
    ASSERT_TRUE(loadProject(path("tool.toml"), &project, &error)) << error;
    std::string ignored;
    EXPECT_FALSE(resolveMainClass(&project, "tool.toml", &ignored, &error));
    EXPECT_EQ(error, "tool.toml: main_class is not set, and tool.jar's manifest names no Main-Class");

    writeText(path("text.jar"), "not a zip, and long enough to hold an end record");
    EXPECT_FALSE(init("text.jar", "text.toml"));
    EXPECT_EQ(error, "'" + path("text.jar") + "' is not a zip file (no end of central directory)");
    EXPECT_FALSE(std::filesystem::exists(path("text.toml")));
}
