// LoadDLL: a handed-in location or the search, the load step, and the configured
// messages by how the runtime was found.
#include <cstdlib>
#include <fstream>

#include "jvm/jvm_library.h"
#include "jvm/located_jvms.h"
#include "jvm/load_dll.h"
#include "launch/expand_variables.h"
#include "jvm_test_support.h"

namespace {
struct Load : JvmTest {
    void SetUp() override
    {
        JvmTest::SetUp();
        if (IsSkipped())
            return;
        setConfig(1016, "no runtime {0}");
        setConfig(1019, "check the variable or path");
        setConfig(1021, "runtime did not load");
        setConfig(1005, "cannot start");
        createJavaVmEntry = nullptr;
    }
    // Runs LoadDLL and returns what it showed, one message text per line.
    std::string shown(bool showErrors, const char* location, bool isExecutable, bool* result = nullptr)
    {
        ::testing::internal::CaptureStderr();
        bool loaded = LoadDLL(showErrors, location, isExecutable);
        std::string err = ::testing::internal::GetCapturedStderr();
        if (result != nullptr)
            *result = loaded;
        std::string messages;
        // Each message is followed by an empty line and the log's path.
        size_t at = 0;
        while (at < err.size()) {
            size_t end = err.find("\n\nLog: ", at);
            if (end == std::string::npos)
                break;
            messages += err.substr(at, end - at) + "|";
            at = err.find('\n', end + 2);
            at = at == std::string::npos ? err.size() : at + 1;
        }
        return messages;
    }
    void installFakeJvm(const std::string& home)
    {
        std::ifstream in(KVELL_FAKE_JVM, std::ios::binary);
        std::ofstream out(abs(home + "\\jre\\bin\\hotspot\\jvm.dll"), std::ios::binary);
        out << in.rdbuf();
    }
};
} // namespace

TEST_F(Load, NothingFoundShowsMessage1016OnlyWhenAsked)
{
    setConfig(128, "R" + rel("none"));
    bool loaded = true;
    EXPECT_EQ(shown(false, nullptr, false, &loaded), "");
    EXPECT_FALSE(loaded);
    EXPECT_EQ(shown(true, nullptr, false), "no runtime 64|");
    EXPECT_TRUE(logHasInOrder({"LoadDLL (1, (null), 0)", "Search sequence finished", "ERROR: No JVM found"}));
}

TEST_F(Load, FoundRuntimeIsLoaded)
{
    makeRuntime("jre");
    installFakeJvm("jre");
    setConfig(128, "R" + rel("jre"));
    bool loaded = false;
    EXPECT_EQ(shown(true, nullptr, false, &loaded), "");
    EXPECT_TRUE(loaded);
    EXPECT_NE(createJavaVmEntry, nullptr);
    EXPECT_EQ(std::string(runtimeHome), full("jre\\jre\\bin\\.."));
    EXPECT_TRUE(logHasInOrder({"Trying to load JVM-DLL from " + full("jre\\jre\\bin\\java.exe"),
                               "Loading of JVM-DLL successful"}));
}

TEST_F(Load, DirectoryLocationIsJudgedOnlyByTheLoadStep)
{
    makeRuntime("old", javaVersion("1.4.2"));
    setConfig(126, "1.6");
    EXPECT_EQ(shown(true, rel("old").c_str(), false), "runtime did not load|cannot start|");
    EXPECT_EQ(logCount("Provided JVM unusable"), 0);
    EXPECT_EQ(runCount(), 0);  // no version run for a handed-in directory
    EXPECT_TRUE(logHasInOrder({"LoadDLL (1, " + rel("old") + ", 0)", "Got JRE location " + rel("old") + " (java exe: 0)",
                               "MinVersion: 1.6, MaxVersion: ", "Could not get DLL-Handle."}));

    installFakeJvm("old");
    bool loaded = false;
    EXPECT_EQ(shown(true, rel("old").c_str(), false, &loaded), "");
    EXPECT_TRUE(loaded);
}

TEST_F(Load, ExecutableLocationIsRunAfreshAgainstTheLimits)
{
    std::string exe = makeRuntime("picked", javaVersion("1.7.0-ea"));
    installFakeJvm("picked");
    setConfig(127, "1.6");
    EXPECT_EQ(shown(true, rel(exe).c_str(), true), "no runtime 64|");
    EXPECT_TRUE(logHasInOrder({"ERROR: Provided JVM unusable"}));
    EXPECT_EQ(shown(true, rel(exe).c_str(), true), "no runtime 64|");
    EXPECT_EQ(runCount(), 2);  // the cache is not read for a handed-in executable

    setConfig(127, "");
    bool loaded = false;
    EXPECT_EQ(shown(true, rel(exe).c_str(), true, &loaded), "");  // pre-release allowed here
    EXPECT_TRUE(loaded);
}

TEST_F(Load, LoadFailureMessagesFollowTheSource)
{
    makeRuntime("jre");  // no jvm.dll: the load step fails
    setConfig(128, "R" + rel("jre"));
    EXPECT_EQ(shown(true, nullptr, false), "runtime did not load|cannot start|");
    EXPECT_EQ(shown(false, nullptr, false), "");

    makeRuntimeBesideLauncher(relDir + "\\envjre");
    setenv("JVT_HOME", (relDir + "\\envjre").c_str(), 1);
    setConfig(128, "EJVT_HOME");
    EXPECT_EQ(shown(true, nullptr, false), "check the variable or path|runtime did not load|cannot start|");
    unsetenv("JVT_HOME");

    makeExecutable("path/java.exe", StandIn());
    {
        CurrentDirectory here(launcherDir);
        std::string savedPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
        setenv("PATH", rel("path").c_str(), 1);
        setConfig(128, "S");
        std::string messages = shown(true, nullptr, false);
        setenv("PATH", savedPath.c_str(), 1);
        EXPECT_EQ(messages, "no runtime 64|check the variable or path|runtime did not load|cannot start|");
    }
}

TEST_F(Load, RegistryLoadFailureShowsOnlyTheLastMessage)
{
    makeExecutable("located/java.exe", StandIn());
    // As the manual choice records an executable after a successful LoadDLL.
    registerLocatedJvm(rel("located/java.exe").c_str());
    setConfig(128, "Y");
    EXPECT_EQ(shown(true, nullptr, false), "cannot start|");
}
