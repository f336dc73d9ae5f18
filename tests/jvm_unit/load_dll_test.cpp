// LoadDLL: a handed-in location or the search, the load step, and the configured
// messages by how the runtime was found.
#include <cstdlib>
#include <fstream>

#include "jvm/jvm_library.h"
#include "jvm/load_dll.h"
#include "jvm/located_jvms.h"
#include "jvm_test_support.h"

namespace {
struct Load : JvmTest {
    void SetUp() override
    {
        JvmTest::SetUp();
        setConfig(1016, "none {0}");
        setConfig(1019, "variable or path");
        setConfig(1021, "not loaded");
        setConfig(1005, "cannot start");
    }
    // LoadDLL's result, and the messages it showed joined by "|".
    bool load(bool showErrors, const char* location, bool isExecutable, std::string* messages)
    {
        ::testing::internal::CaptureStderr();
        bool loaded = LoadDLL(state, showErrors, location, isExecutable);
        std::string err = ::testing::internal::GetCapturedStderr();
        messages->clear();
        // Each message is followed by an empty line and the log's path.
        for (size_t at = 0, end; (end = err.find("\n\nLog: ", at)) != std::string::npos;) {
            *messages += err.substr(at, end - at) + "|";
            at = err.find('\n', end + 2) + 1;
        }
        return loaded;
    }
    void installFakeJvm(const std::string& home)
    {
        std::ifstream in(KVELL_FAKE_JVM, std::ios::binary);
        std::ofstream(abs(home + "\\jre\\bin\\hotspot\\jvm.dll"), std::ios::binary) << in.rdbuf();
    }
};
} // namespace

TEST_F(Load, SearchThenLoad)
{
    std::string messages;
    setConfig(128, "R" + rel("jre"));
    EXPECT_FALSE(load(false, nullptr, false, &messages));
    EXPECT_EQ(messages, "");
    EXPECT_FALSE(load(true, nullptr, false, &messages));
    EXPECT_EQ(messages, "none 64|");
    EXPECT_TRUE(logHasInOrder({"LoadDLL (1, (null), 0)", "Search sequence finished", "ERROR: No JVM found"}));

    makeRuntime("jre");
    installFakeJvm("jre");
    EXPECT_TRUE(load(true, nullptr, false, &messages));
    EXPECT_EQ(messages, "");
    EXPECT_NE(state.createJavaVm, nullptr);
    EXPECT_EQ(std::string(state.runtimeHome.c_str()), abs("jre\\jre\\bin\\.."));
}

TEST_F(Load, HandedInDirectoryIsJudgedOnlyByTheLoadStep)
{
    makeRuntime("old", javaVersion("1.4.2"));
    setConfig(126, "1.6");
    std::string messages;
    EXPECT_FALSE(load(true, rel("old").c_str(), false, &messages));
    EXPECT_EQ(messages, "not loaded|cannot start|");
    EXPECT_EQ(logCount("Provided JVM unusable"), 0);
    EXPECT_EQ(runCount(), 0);
    EXPECT_TRUE(logHasInOrder({"Got JRE location " + rel("old") + " (java exe: 0)", "MinVersion: 1.6, MaxVersion: ",
                               "Could not get DLL-Handle.", "Could not load functions"}));
    installFakeJvm("old");
    EXPECT_TRUE(load(true, rel("old").c_str(), false, &messages));
}

TEST_F(Load, HandedInExecutableIsRunAfreshAgainstTheLimits)
{
    std::string java = makeRuntime("picked", javaVersion("1.7.0-ea"));
    installFakeJvm("picked");
    setConfig(127, "1.6");
    std::string messages;
    EXPECT_FALSE(load(true, rel(java).c_str(), true, &messages));
    EXPECT_FALSE(load(true, rel(java).c_str(), true, &messages));
    EXPECT_EQ(messages, "none 64|");
    EXPECT_EQ(logCount("ERROR: Provided JVM unusable"), 2);
    EXPECT_EQ(runCount(), 2);  // the cache is not read for a handed-in executable
    setConfig(127, "");
    EXPECT_TRUE(load(true, rel(java).c_str(), true, &messages));  // pre-release allowed here
}

TEST_F(Load, FailureMessagesFollowTheSource)
{
    std::string messages;
    makeRuntime("jre");  // no jvm.dll anywhere: every load step fails
    setConfig(128, "R" + rel("jre"));
    load(true, nullptr, false, &messages);
    EXPECT_EQ(messages, "not loaded|cannot start|");

    makeRuntimeBesideLauncher(relDir + "\\env");
    setenv("JVT_HOME", (relDir + "\\env").c_str(), 1);
    setConfig(128, "EJVT_HOME");
    load(true, nullptr, false, &messages);
    unsetenv("JVT_HOME");
    EXPECT_EQ(messages, "variable or path|not loaded|cannot start|");

    makeExecutable("located/java.exe");
    registerLocatedJvm(rel("located/java.exe").c_str());
    setConfig(128, "Y");
    load(true, nullptr, false, &messages);
    EXPECT_EQ(messages, "cannot start|");

    makeExecutable("path/java.exe");  // found through PATH
    std::string savedPath = std::getenv("PATH");
    setenv("PATH", abs("path").c_str(), 1);
    setConfig(128, "Sa label");
    load(true, nullptr, false, &messages);
    setenv("PATH", savedPath.c_str(), 1);
    EXPECT_EQ(messages, "none 64|variable or path|not loaded|cannot start|");
    EXPECT_TRUE(logHasInOrder({"Testing location a label (type S)", "Trying to load JVM-DLL from " + abs("path/java.exe")}));
}
