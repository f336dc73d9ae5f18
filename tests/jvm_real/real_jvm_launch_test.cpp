// The JNI launch against the machine's real JVM (libjvm.so of a JDK). A JVM can
// be created once per process, so every test runs in a process of its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "fs/paths.h"
#include "fs/platform.h"
#include "jvm/jvm_library.h"
#include "launch/java_vm_launcher.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "payload/included_files.h"

namespace {

std::string findLibjvm()
{
    std::vector<std::string> homes;
    if (const char* home = std::getenv("JAVA_HOME"))
        homes.push_back(home);
    homes.push_back(KVELL_TEST_JDK_HOME);
    for (const std::string& home : homes) {
        std::string lib = home + "/lib/server/libjvm.so";
        if (access(lib.c_str(), R_OK) == 0)
            return lib;
    }
    return "";
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct RealJvm : ::testing::Test {
    std::string dir;
    std::string out;
    LaunchState state;

    void SetUp() override
    {
        std::string libjvm = findLibjvm();
        if (libjvm.empty()) {
            GTEST_SKIP() << "no JDK with lib/server/libjvm.so found (set JAVA_HOME)";
        }
        char name[] = "/tmp/kvell_jvm_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        std::string extract = dir + "/kvl1.tmp_dir";
        ASSERT_EQ(system(("mkdir -p '" + extract + "' && cp '" KVELL_TEST_RUNTIME_JAR "' '" KVELL_TEST_APP_JAR "' '" +
                          extract + "/'")
                             .c_str()),
                  0);
        std::ofstream(dir + "/app.exe") << "packed launcher stand-in";
        setenv("KVELL_LAUNCHER_PATH", (dir + "/app.exe").c_str(), 1);
        out = dir + "/out.txt";
        setenv("KVELL_TEST_OUT", out.c_str(), 1);
        state.extractionDir.assign(extract.c_str());
        configStore().strings[cfg::kMainClass] = "com.kvell.testapp.EchoApp";
        configStore().strings[cfg::kVmOptions] = "-Dkvell.custom=configured -Xss4m";
        ASSERT_TRUE(bindCreateJavaVM(state, loadLibraryFile(libjvm.c_str()))) << libjvm;
    }
    void TearDown() override
    {
        if (!dir.empty()) {
            ASSERT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
        }
    }
};

} // namespace

TEST_F(RealJvm, ApplicationReceivesArgumentsAndProperties)
{
    ArgList commandLine = {KW("app.exe"), KW("first"), wideFromUtf8("gr\xC3\xBC\xC3\x9F \xE2\x82\xAC")};
    ASSERT_TRUE(launchProgram(state, commandLine, true));
    std::string text = readAll(out);
    EXPECT_NE(text.find("argc 2\narg 0: first\narg 1: gr\xC3\xBC\xC3\x9F \xE2\x82\xAC\n"), std::string::npos) << text;
    EXPECT_NE(text.find("property kvell.moduleName=" + dir + "/app.exe\n"), std::string::npos) << text;
    EXPECT_NE(text.find("property kvell.tempDir=" + dir + "/kvl1.tmp_dir\n"), std::string::npos) << text;
    EXPECT_NE(text.find("property kvell.custom=configured\n"), std::string::npos) << text;
    EXPECT_NE(text.find("main done"), std::string::npos) << text;
}

TEST_F(RealJvm, ExceptionInMainFailsTheLaunch)
{
    EXPECT_FALSE(launchProgram(state, {KW("app.exe"), KW("throw")}, true));
    EXPECT_NE(readAll(out).find("argc 1"), std::string::npos);
}

TEST_F(RealJvm, DestroyWaitsForNonDaemonThreads)
{
    ASSERT_TRUE(launchProgram(state, {KW("app.exe"), KW("thread")}, true));
    std::string text = readAll(out);
    EXPECT_NE(text.find("main done\nthread done\n"), std::string::npos) << text;
}

TEST_F(RealJvm, FirstRunHookCanStopTheLaunch)
{
    state.flavourLetter = 'i';
    ASSERT_EQ(system(("mkdir -p '" + dir + "/.quillmere'").c_str()), 0);
    std::ofstream(dir + "/.quillmere/firstrun") << "hook=com.kvell.testapp.DenyFirstRun\n";
    ASSERT_TRUE(launchProgram(state, {KW("app.exe")}, true));  // stopped quietly, not an error
    std::string text = readAll(out);
    EXPECT_NE(text.find("hook called"), std::string::npos) << text;
    EXPECT_EQ(text.find("argc"), std::string::npos) << text;  // main never ran
}

TEST_F(RealJvm, LauncherFlavourIgnoresTheMarker)
{
    state.flavourLetter = 'e';
    ASSERT_EQ(system(("mkdir -p '" + dir + "/.quillmere'").c_str()), 0);
    std::ofstream(dir + "/.quillmere/firstrun") << "hook=com.kvell.testapp.DenyFirstRun\n";
    ASSERT_TRUE(launchProgram(state, {KW("app.exe")}, true));
    std::string text = readAll(out);
    EXPECT_EQ(text.find("hook called"), std::string::npos) << text;
    EXPECT_NE(text.find("argc 0"), std::string::npos) << text;
}
