// The path helpers over the host's platform layer, whose file code page is
// Latin-1: U+0100 and above cannot be represented.
#include <gtest/gtest.h>

#include <string>

#include "process_state.h"
#include "fs/paths.h"

namespace {
std::string collapsed(std::string path)
{
    char buf[kTextBufferSize];
    copyBounded(buf, sizeof buf, path.c_str());
    collapseBackslashes(buf);
    return buf;
}
std::string lowered(std::string path)
{
    char buf[kTextBufferSize];
    copyBounded(buf, sizeof buf, path.c_str());
    lowerCasePath(buf);
    return buf;
}
} // namespace

TEST(Paths, CollapseKeepsUncPrefix)
{
    EXPECT_EQ(collapsed("\\\\server\\\\share"), "\\\\server\\share");
    EXPECT_EQ(collapsed("C:\\a\\\\\\b"), "C:\\a\\b");
    EXPECT_EQ(collapsed("\\\\\\x"), "\\\\x");
    EXPECT_EQ(collapsed("\\"), "\\");
    EXPECT_EQ(collapsed(""), "");
}

TEST(Paths, LowerCaseOnlyAsciiLetters)
{
    EXPECT_EQ(lowered("C:\\Program Files\\JAVA"), "c:\\program files\\java");
    EXPECT_EQ(lowered("\xC4X"), "\xC4x");  // A with diaeresis (Latin-1) stays upper-case
}

TEST(Paths, RelativeOrAbsolute)
{
    EXPECT_FALSE(isRelativePath("C:\\x"));
    EXPECT_FALSE(isRelativePath("\\\\srv\\s"));
    EXPECT_FALSE(isRelativePath("\"C:\\x\""));
    EXPECT_TRUE(isRelativePath("\"C:"));
    EXPECT_TRUE(isRelativePath("C:"));
    EXPECT_TRUE(isRelativePath("C:dir"));
    EXPECT_TRUE(isRelativePath("\\dir"));
    EXPECT_TRUE(isRelativePath("C:/dir"));
    EXPECT_TRUE(isRelativePath("lib\\a.jar"));
}

TEST(Paths, DriveRootsExistWithoutAsking)
{
    EXPECT_TRUE(fileExists("Q:\\"));
    EXPECT_TRUE(fileExists("Q:\\."));
    EXPECT_TRUE(fileExists("Q:\\.\\."));
    EXPECT_FALSE(fileExists("Q:\\x"));
    EXPECT_TRUE(fileExists("/tmp"));
}

TEST(Paths, ResolveAgainstTheLauncherDirectory)
{
    resetProcessStateForTests();
    std::string dir = getLauncherPath();
    dir = dir.substr(0, dir.rfind('/') + 1);
    char out[kTextBufferSize];
    resolveFromLauncherDir(out, "\\tools\\x.jar");
    EXPECT_EQ(out, dir + "\\tools\\x.jar");
    resolveFromLauncherDir(out, "\"C:\\abs\\y.jar\"");
    EXPECT_STREQ(out, "\"C:\\abs\\y.jar\"");
    resolveFromLauncherDir(out, "");
    EXPECT_EQ(out, dir);

    char list[kPathListBufferSize];
    resolvePathList(list, "a;;b;", sizeof list);
    EXPECT_EQ(list, dir + "a:" + dir + "b");  // joined with the host's path-list separator
    resolvePathList(list, ";;", sizeof list);
    EXPECT_STREQ(list, "");
}
