// Included file names that Windows would take for a device, trim, or treat as
// another file's name are refused when packing.
#include <string>

#include <gtest/gtest.h>

#include "test_support.h"
#include "tools/kvellpack/project_file.h"

using namespace kvellpack;

namespace {

struct IncludedNames : ScratchDir {
    Project project;
    std::string error;

    bool load(const std::string& toml)
    {
        project = Project();
        error.clear();
        return loadProjectText(toml, "p.toml", dir, &project, &error);
    }

    // The error for a.jar packed under name, "" when it is accepted.
    std::string packedAs(const std::string& name)
    {
        writeText(path("a.jar"), "a");
        return load("included_files = [{ path = \"a.jar\", name = \"" + name + "\" }]\n") ? "" : error;
    }
};

}  // namespace

TEST_F(IncludedNames, DevicesTrimmedAndOverlongNamesAreRefused)
{
    for (const char* name : {"aux.jar", "NUL.txt", "con", "Con.tar.gz", "prn", "CONIN$", "conout$.log", "com1.jar",
                             "LPT9", "com¹.jar", "Lpt³.txt", "nul .txt"})
        EXPECT_EQ(packedAs(name), "p.toml:1: the included file name '" + std::string(name) +
                                      "' is reserved for a Windows device");
    for (const char* name : {"app.jar.", "app.jar "})
        EXPECT_EQ(packedAs(name), "p.toml:1: the included file name '" + std::string(name) +
                                      "' ends with a dot or blank, which Windows drops from file names");
    std::string longest(255, 'n');
    EXPECT_EQ(packedAs(longest + "n"), "p.toml:1: the included file name '" + longest +
                                           "n' is longer than the 255 characters Windows allows in a file name");
    for (const std::string& name : {std::string("com0.jar"), std::string("lpt10.jar"), std::string("console.jar"),
                                    std::string("nul_.txt"), std::string("auxiliary"), longest})
        EXPECT_EQ(packedAs(name), "") << name;
}

TEST_F(IncludedNames, NamesEqualIgnoringCaseAreRefused)
{
    writeText(path("a.jar"), "a");
    for (const auto& [first, second] : {std::pair{"Ärger.jar", "ärger.jar"}, std::pair{"Ÿ.txt", "ÿ.TXT"},
                                        std::pair{"ŒUVRE.jar", "œuvre.jar"}}) {
        EXPECT_FALSE(load("included_files = [{ path = \"a.jar\", name = \"" + std::string(first) +
                          "\" }, { path = \"a.jar\", name = \"" + second + "\" }]\n"));
        EXPECT_EQ(error, "p.toml:1: two included files are named '" + std::string(second) + "'");
    }
    EXPECT_TRUE(load("included_files = [{ path = \"a.jar\", name = \"Ärger.jar\" }, "
                     "{ path = \"a.jar\", name = \"Aerger.jar\" }]\n"))
        << error;
}
