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
        setConfig(126, "1.6");  // stand-ins are 1.6.0_20 unless made old (1.4.2)
    }
    JvmSource search()
    {
        BoundedText javaExe;
        BoundedText location;
        JvmSource source = searchJvm(state, javaExe, location);
        copyBounded(exe, sizeof exe, javaExe.c_str());
        copyBounded(found, sizeof found, location.c_str());
        return source;
    }
    void locationFile(const char* file, const std::string& text) { writeFile(std::string("loc/.quillmere/") + file, text); }
    void oldRuntime(const std::string& home, bool underJre = true) { makeRuntime(home, javaVersion("1.4.2"), underJre); }
};
} // namespace

TEST_F(Search, PreferredLocationComesFirstWhenItFits)
{
    makeRuntime("seq");
    oldRuntime("pref");
    setConfig(128, "R" + rel("seq"));
    locationFile("pref_jre.cfg", rel("pref") + "\r\n");
    ASSERT_EQ(search(), JvmSource::Directory);
    EXPECT_EQ(std::string(found), rel("seq"));
    EXPECT_TRUE(logHasInOrder({"Searching for a JVM", "Has preferred location " + rel("pref"),
                               "Testing location " + rel("seq") + " (type R)"}));

    makeRuntime("pref2");
    locationFile("pref_jre.cfg", rel("pref2") + "\n");
    ASSERT_EQ(search(), JvmSource::Directory);
    EXPECT_EQ(std::string(found), rel("pref2"));
    EXPECT_EQ(std::string(exe), abs("pref2\\jre\\bin\\java.exe"));
    EXPECT_EQ(logCount("Using preferred location"), 1);
    EXPECT_EQ(logCount("Testing location"), 1);  // only the first search's
}

TEST_F(Search, MainPassInOrderWithExpandedEntries)
{
    // Y finds nothing in the registry; the unknown letter is logged and skipped.
    makeRuntime("jre");
    setenv("JVT_RUNTIME_DIR", rel("jre").c_str(), 1);
    setConfig(128, ";;Y;;Qunknown;R${JVT_RUNTIME_DIR};");
    JvmSource source = search();
    unsetenv("JVT_RUNTIME_DIR");
    ASSERT_EQ(source, JvmSource::Directory);
    EXPECT_EQ(std::string(found), rel("jre"));
    EXPECT_TRUE(logHasInOrder({"Testing location  (type Y)", "Testing location unknown (type Q)",
                               "Testing location " + rel("jre") + " (type R)"}));
}

TEST_F(Search, InstallerLocationThenTheFinalPass)
{
    oldRuntime("jre");
    oldRuntime("inst");
    setConfig(128, "R" + rel("jre"));
    locationFile("inst_jre.cfg", rel("inst"));
    ASSERT_EQ(search(), JvmSource::Directory);
    EXPECT_EQ(std::string(found), rel("jre"));  // without version rules
    EXPECT_EQ(std::string(exe), abs("jre\\jre\\bin\\java.exe"));
    EXPECT_TRUE(logHasInOrder({"Testing location " + rel("jre"), "Has installer location " + rel("inst"),
                               "Testing relative location " + rel("jre"), abs("jre\\jre\\bin\\java.exe") + " exists"}));

    makeRuntime("inst2");
    locationFile("inst_jre.cfg", rel("inst2"));
    ASSERT_EQ(search(), JvmSource::Directory);
    EXPECT_EQ(std::string(found), rel("inst2"));
    EXPECT_EQ(logCount("Using installer location"), 1);
    EXPECT_EQ(logCount("Testing relative location"), 1);
}

TEST_F(Search, FinalPassTriesAbsoluteEntriesOfTypeBOnly)
{
    setConfig(128, "AC:\\rt;R\\\\server\\rt;EJVT_UNSET;S;BC:\\rt;B\\\\server\\rt");
    // The host takes "C:\rt" against the current directory, where a file of that
    // name stands in for the drive's (too old) runtime.
    CurrentDirectory here(absDir);
    oldRuntime("c:\\rt", false);
    ASSERT_EQ(search(), JvmSource::Directory);
    EXPECT_STREQ(found, "C:\\rt");
    EXPECT_EQ(logCount("Testing relative location"), 1);

    std::remove(abs("c:\\rt\\bin\\java.exe").c_str());
    ASSERT_EQ(search(), JvmSource::None);
    EXPECT_TRUE(logHasInOrder({"Testing relative location C:\\rt", "Testing relative location \\\\server\\rt",
                               "Search sequence finished"}));
    EXPECT_EQ(logCount("Testing relative location"), 3);
}

TEST_F(Search, EnvironmentVariables)
{
    makeRuntimeBesideLauncher(relDir + "\\env");
    makeRuntimeBesideLauncher(relDir + "\\ea", javaVersion("1.7.0-ea"));
    setenv("JVT_HOME", (relDir + "/env").c_str(), 1);  // "/" becomes "\"
    setConfig(128, "EJVT_UNSET;EJVT_HOME");
    ASSERT_EQ(search(), JvmSource::Environment);
    EXPECT_STREQ(found, "JVT_HOME");
    EXPECT_EQ(std::string(exe), launcherDir + "/" + relDir + "\\env\\jre\\bin\\java.exe");

    // Pre-release runtimes are refused; then the fixed variables come last, in order.
    setenv("JVT_HOME", (relDir + "\\ea").c_str(), 1);
    setenv("QUILLMERE_JAVA_HOME", (relDir + "\\env").c_str(), 1);
    ASSERT_EQ(search(), JvmSource::Environment);
    EXPECT_STREQ(found, "QUILLMERE_JAVA_HOME");
    EXPECT_TRUE(logHasInOrder({"Search sequence finished", "checkJavaExe (" + relDir + "\\env"}));
    setenv("KVELL_JAVA_HOME", (relDir + "\\ea").c_str(), 1);
    ASSERT_EQ(search(), JvmSource::Environment);
    EXPECT_STREQ(found, "QUILLMERE_JAVA_HOME");
    setenv("KVELL_JAVA_HOME", (relDir + "\\env").c_str(), 1);
    ASSERT_EQ(search(), JvmSource::Environment);
    EXPECT_STREQ(found, "KVELL_JAVA_HOME");
    unsetenv("JVT_HOME");

    unsetenv("KVELL_JAVA_HOME");
    unsetenv("QUILLMERE_JAVA_HOME");
    ASSERT_EQ(search(), JvmSource::None);
    EXPECT_STREQ(exe, "");
}

TEST_F(Search, PackedDirectoryIsRestoredBeforeItIsExamined)
{
    makeRuntime("packed");
    writeFile("packed\\lib\\rt.jar.pack", "packed");
    writeFile("packed\\bin\\unpack200.exe", "#!/bin/sh\nrm -f \"$2\"\nprintf jar > \"$3\"\n", true);
    setConfig(128, "R" + rel("packed"));
    ASSERT_EQ(search(), JvmSource::Directory);
    EXPECT_TRUE(logHasInOrder({"Unpacking JRE done", "checkJavaExe ("}));
    EXPECT_TRUE(std::ifstream(abs("packed\\lib\\rt.jar")).good());
}

TEST_F(Search, LocationFileFirstLine)
{
    char line[kTextBufferSize];
    EXPECT_FALSE(readLocationFile(line, kPreferredLocationFile));  // no file
    locationFile("pref_jre.cfg", "");
    EXPECT_FALSE(readLocationFile(line, kPreferredLocationFile));
    locationFile("pref_jre.cfg", "C:\\Java\\JRE\r\n\r\nsecond\n");
    ASSERT_TRUE(readLocationFile(line, kPreferredLocationFile));
    EXPECT_STREQ(line, "C:\\Java\\JRE");
    locationFile("inst_jre.cfg", "\r\n");
    ASSERT_TRUE(readLocationFile(line, kInstallerLocationFile));
    EXPECT_STREQ(line, "");
    // A first line that does not fit would name a cut, wrong directory.
    locationFile("pref_jre.cfg", std::string(kTextBufferSize + 10, 'x') + "\n");
    EXPECT_FALSE(readLocationFile(line, kPreferredLocationFile));
    locationFile("pref_jre.cfg", std::string(kTextBufferSize - 2, 'x') + "\n");
    EXPECT_TRUE(readLocationFile(line, kPreferredLocationFile));
}
