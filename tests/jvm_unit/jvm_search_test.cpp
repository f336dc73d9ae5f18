// The search walk: preferred location file, the configured sequence, installer
// location file, the final pass without version rules, the fixed variables.
#include <cstdlib>
#include <fstream>

#include "jvm/jvm_search.h"
#include "jvm_test_support.h"

namespace {
struct Search : JvmTest {
    char exe[kTextBufferSize];
    char found[kTextBufferSize];

    void SetUp() override
    {
        JvmTest::SetUp();
        if (!IsSkipped())
            setConfig(126, "1.6");  // most runtimes here are 1.6.0_20; "old" ones 1.4.2
    }
    JvmSource search() { return searchJvm(exe, found); }
    void locationFile(const char* file, const std::string& text)
    {
        writeFile(std::string("loc\\.quillmere\\") + file, text);
    }
    std::string oldRuntime(const std::string& home)
    {
        return makeRuntime(home, javaVersion("1.4.2_19"));
    }
};
} // namespace

TEST_F(Search, PreferredLocationWinsOverTheSequence)
{
    makeRuntime("pref");
    makeRuntime("seq");
    setConfig(128, "R" + rel("seq"));
    locationFile("pref_jre.cfg", rel("pref") + "\r\n");
    ASSERT_EQ(search(), JvmSource::Directory);
    EXPECT_EQ(std::string(found), rel("pref"));
    EXPECT_EQ(std::string(exe), full("pref\\jre\\bin\\java.exe"));
    EXPECT_TRUE(logHasInOrder({"Searching for a JVM", "Has preferred location " + rel("pref"), "Using preferred location"}));
    EXPECT_EQ(logCount("Testing location"), 0);
}

TEST_F(Search, PreferredLocationOutOfRangeIsPassedBy)
{
    oldRuntime("pref");
    makeRuntime("seq");
    setConfig(128, "R" + rel("seq"));
    locationFile("pref_jre.cfg", rel("pref") + "\n");
    ASSERT_EQ(search(), JvmSource::Directory);
    EXPECT_EQ(std::string(found), rel("seq"));
    EXPECT_TRUE(logHasInOrder({"Has preferred location", "Testing location " + rel("seq") + " (type R)"}));
    EXPECT_EQ(logCount("Using preferred location"), 0);
}

TEST_F(Search, TooOldRegistryRuntimesGiveWayToTheNextEntry)
{
    // The registry holds nothing usable: Y fails, R succeeds.
    makeRuntime("jre");
    setConfig(128, "Y;R" + rel("jre"));
    ASSERT_EQ(search(), JvmSource::Directory);
    EXPECT_EQ(std::string(found), rel("jre"));
    EXPECT_TRUE(logHasInOrder({"Testing location  (type Y)", "Testing location " + rel("jre") + " (type R)"}));
}

TEST_F(Search, EntriesAreExpandedAndSeparatorRunsIgnored)
{
    makeRuntime("jre");
    setenv("JVT_RUNTIME_DIR", rel("jre").c_str(), 1);
    setConfig(128, ";;Qunknown;;;R${JVT_RUNTIME_DIR};");
    ASSERT_EQ(search(), JvmSource::Directory);
    unsetenv("JVT_RUNTIME_DIR");
    EXPECT_EQ(std::string(found), rel("jre"));
    EXPECT_TRUE(logHasInOrder({"Testing location unknown (type Q)", "Testing location " + rel("jre") + " (type R)"}));
}

TEST_F(Search, FinalPassTakesARelativeDirectoryWithoutVersionRules)
{
    oldRuntime("jre");
    setConfig(128, "R" + rel("jre"));
    locationFile("inst_jre.cfg", rel("jre") + "\n");
    ASSERT_EQ(search(), JvmSource::Directory);
    EXPECT_EQ(std::string(found), rel("jre"));
    EXPECT_EQ(std::string(exe), full("jre\\jre\\bin\\java.exe"));
    EXPECT_TRUE(logHasInOrder({"Testing location " + rel("jre"), "Has installer location " + rel("jre"),
                               "Testing relative location " + rel("jre"),
                               full("jre\\jre\\bin\\java.exe") + " exists"}));
    EXPECT_EQ(logCount("Using installer location"), 0);
    EXPECT_EQ(logCount("Search sequence finished"), 0);
}

TEST_F(Search, InstallerLocationComesBeforeTheFinalPass)
{
    oldRuntime("jre");
    makeRuntime("inst");
    setConfig(128, "R" + rel("jre"));
    locationFile("inst_jre.cfg", rel("inst"));
    ASSERT_EQ(search(), JvmSource::Directory);
    EXPECT_EQ(std::string(found), rel("inst"));
    EXPECT_TRUE(logHasInOrder({"Has installer location", "Using installer location"}));
    EXPECT_EQ(logCount("Testing relative location"), 0);
}

TEST_F(Search, FinalPassSkipsAbsoluteEntriesExceptTypeB)
{
    setConfig(128, "AC:\\rt;R\\\\server\\rt;EJVT_NOTHING;S;BC:\\rt;B\\\\server\\rt");
    // The host resolves "C:\rt" against the current directory, where a file of that
    // name stands in for the drive's runtime.
    CurrentDirectory here(absDir);
    makeRuntime("c:\\rt", javaVersion("1.4.2"), false);  // too old for the main pass
    ASSERT_EQ(search(), JvmSource::Directory);
    EXPECT_EQ(std::string(found), "C:\\rt");
    EXPECT_EQ(logCount("Testing relative location"), 1);
    EXPECT_TRUE(logHasInOrder({"Testing relative location C:\\rt", "exists"}));

    // Not exists: the other absolute B entry is tried next, the A and R ones never.
    std::remove(abs("c:\\rt\\bin\\java.exe").c_str());
    ASSERT_EQ(search(), JvmSource::None);
    EXPECT_EQ(logCount("Testing relative location \\\\server\\rt"), 1);
    EXPECT_EQ(logCount("Testing relative location C:\\rt"), 2);
}

TEST_F(Search, SearchPathEntryReportsItsText)
{
    makeExecutable("path/java.exe", StandIn());
    CurrentDirectory here(launcherDir);  // the host's PATH holds a relative directory
    std::string savedPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", rel("path").c_str(), 1);
    setConfig(128, "Sjust a label");
    JvmSource source = search();
    setenv("PATH", savedPath.c_str(), 1);
    ASSERT_EQ(source, JvmSource::SearchPath);
    EXPECT_STREQ(found, "just a label");
    EXPECT_EQ(std::string(exe), full("path/java.exe"));
}

TEST_F(Search, EnvironmentEntriesAndPreReleaseRuntimes)
{
    makeRuntimeBesideLauncher(relDir + "\\env");
    setenv("JVT_HOME", (relDir + "/env").c_str(), 1);  // forward slashes become backslashes
    setConfig(128, "EJVT_UNSET;EJVT_HOME");
    JvmSource source = search();
    ASSERT_EQ(source, JvmSource::Environment);
    EXPECT_STREQ(found, "JVT_HOME");
    EXPECT_EQ(std::string(exe), launcherDir + "/" + relDir + "\\env\\jre\\bin\\java.exe");

    makeRuntimeBesideLauncher(relDir + "\\ea", javaVersion("1.7.0-ea"));
    setenv("JVT_HOME", (relDir + "\\ea").c_str(), 1);
    EXPECT_EQ(search(), JvmSource::None);
    unsetenv("JVT_HOME");
}

TEST_F(Search, FixedVariablesComeLastInTheirOrder)
{
    makeRuntimeBesideLauncher(relDir + "\\k");
    makeRuntimeBesideLauncher(relDir + "\\q");
    setenv("QUILLMERE_JAVA_HOME", (relDir + "\\q").c_str(), 1);
    setConfig(128, "R" + rel("none"));
    ASSERT_EQ(search(), JvmSource::Environment);
    EXPECT_STREQ(found, "QUILLMERE_JAVA_HOME");
    EXPECT_TRUE(logHasInOrder({"Testing relative location", "Search sequence finished", relDir + "\\q"}));

    setenv("KVELL_JAVA_HOME", (relDir + "\\k").c_str(), 1);
    ASSERT_EQ(search(), JvmSource::Environment);
    EXPECT_STREQ(found, "KVELL_JAVA_HOME");
}

TEST_F(Search, NothingFound)
{
    setConfig(128, "A" + rel("none") + ";Y");
    ASSERT_EQ(search(), JvmSource::None);
    EXPECT_STREQ(exe, "");
    EXPECT_STREQ(found, "");
    EXPECT_TRUE(logHasInOrder({"Testing location " + rel("none") + " (type A)", "Testing location  (type Y)",
                               "Testing relative location " + rel("none"), "Search sequence finished"}));
}

TEST_F(Search, SearchedDirectoryIsRestoredFromPack200First)
{
    makeRuntime("packed");
    writeFile("packed\\lib\\rt.jar.pack", "packed");
    writeFile("packed\\bin\\unpack200.exe", "#!/bin/sh\nrm -f \"$2\"\necho jar > \"$3\"\n", true);
    setConfig(128, "R" + rel("packed"));
    ASSERT_EQ(search(), JvmSource::Directory);
    EXPECT_TRUE(logHasInOrder({"Unpacking JRE", "Unpacking JRE done", "checkJavaExe ("}));
    std::ifstream restored(abs("packed\\lib\\rt.jar"));
    EXPECT_TRUE(restored.good());
}

TEST_F(Search, LocationFileFirstLine)
{
    char line[kTextBufferSize];
    EXPECT_FALSE(readLocationFile(line, kPreferredLocationFile));  // no file

    locationFile("pref_jre.cfg", "");
    EXPECT_FALSE(readLocationFile(line, kPreferredLocationFile));

    locationFile("pref_jre.cfg", "C:\\Java\\JRE\r\n\r\nsecond line\n");
    ASSERT_TRUE(readLocationFile(line, kPreferredLocationFile));
    EXPECT_STREQ(line, "C:\\Java\\JRE");  // case kept

    locationFile("pref_jre.cfg", "\r\n");
    ASSERT_TRUE(readLocationFile(line, kPreferredLocationFile));
    EXPECT_STREQ(line, "");

    locationFile("inst_jre.cfg", "no line end");
    ASSERT_TRUE(readLocationFile(line, kInstallerLocationFile));
    EXPECT_STREQ(line, "no line end");

    // A first line that does not fit would name a wrong, cut directory.
    locationFile("pref_jre.cfg", std::string(kTextBufferSize + 10, 'x') + "\n");
    EXPECT_FALSE(readLocationFile(line, kPreferredLocationFile));
    locationFile("pref_jre.cfg", std::string(kTextBufferSize - 2, 'x') + "\n");
    EXPECT_TRUE(readLocationFile(line, kPreferredLocationFile));
}
