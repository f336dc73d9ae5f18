#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "fs/paths.h"
#include "payload/expand_variables.h"

namespace {
LaunchState state;

std::string expand(const std::string& text)
{
    BoundedText buf(text.c_str());
    expandVariables(buf, state);
    return buf.c_str();
}
std::string launcherDir()
{
    char dir[kTextBufferSize];
    resolveFromLauncherDir(dir, "");
    return dir;
}
struct Expand : ::testing::Test {
    void SetUp() override
    {
        state = LaunchState();
        state.extractionDir.assign("/x/kvl1.tmp_dir");
    }
};
} // namespace

TEST_F(Expand, FixedPlaceholdersInBothSpellings)
{
    EXPECT_EQ(expand("%KVELL_EXEDIR%"), launcherDir());
    EXPECT_EQ(expand("${QUILLMERE_EXEDIR}"), launcherDir());
    EXPECT_EQ(expand("${launcher:sys.launcherDirectory}lib/a.jar"), launcherDir() + "lib/a.jar");
    EXPECT_EQ(expand("%KVELL_TEMPDIR%|${launcher:sys.launcherTempDirectory}"), "/x/kvl1.tmp_dir|/x/kvl1.tmp_dir");
    EXPECT_EQ(expand("a${KVELL_PATHLIST_SEPARATOR}b"), std::string("a") + kPathListSeparator + "b");
    EXPECT_EQ(expand("[${launcher:sys.jvmHome}]"), "[]");  // before any runtime was loaded
    EXPECT_EQ(expand("%UNKNOWN% ${NOT_A_VARIABLE_42}"), "%UNKNOWN% ${NOT_A_VARIABLE_42}");
}

TEST_F(Expand, RuntimeHomeFromTheExecutable)
{
    setRuntimeHome(state, "C:\\jre\\bin\\java.exe");
    EXPECT_STREQ(state.runtimeHome.c_str(), "C:\\jre\\bin\\..");
    setRuntimeHome(state, "C:\\rt\\bin\\javaw.exe");
    EXPECT_STREQ(state.runtimeHome.c_str(), "C:\\rt\\bin\\..");
    setRuntimeHome(state, "C:\\rt\\bin\\JAVAW.EXE");  // only the exact spelling counts as javaw
    EXPECT_STREQ(state.runtimeHome.c_str(), "C:\\rt\\bin\\J..");
    EXPECT_EQ(expand("%KVELL_JVM_HOME%"), "C:\\rt\\bin\\J..");
}

TEST_F(Expand, EnvironmentUnderStoredAndUpperCaseNames)
{
    setenv("KvellMixed", "v1", 1);
    EXPECT_EQ(expand("${KvellMixed}|${KVELLMIXED}|${kvellmixed}"), "v1|v1|${kvellmixed}");
    unsetenv("KvellMixed");
    // A value holding an earlier row's placeholder is inserted literally.
    setenv("KVELL_T_LITERAL", "${KVELL_TEMPDIR}", 1);
    EXPECT_EQ(expand("${KVELL_T_LITERAL}"), "${KVELL_TEMPDIR}");
    unsetenv("KVELL_T_LITERAL");
    // A value containing its own pattern does not loop.
    setenv("KVELL_T_SELF", "${KVELL_T_SELF}!", 1);
    EXPECT_EQ(expand("${KVELL_T_SELF}"), "${KVELL_T_SELF}!");
    unsetenv("KVELL_T_SELF");
    // Percent signs never name environment variables.
    setenv("KVELL_T_PCT", "no", 1);
    EXPECT_EQ(expand("%KVELL_T_PCT%"), "%KVELL_T_PCT%");
    unsetenv("KVELL_T_PCT");
}

TEST_F(Expand, ReplacementThatWouldOverflowIsSkipped)
{
    std::string big(5000, 'v');
    setenv("KVELL_T_BIG", big.c_str(), 1);
    std::string result = expand("${KVELL_T_BIG}${KVELL_T_BIG}");
    unsetenv("KVELL_T_BIG");
    EXPECT_EQ(result, big + "${KVELL_T_BIG}");  // the second would pass 8192 bytes
}
