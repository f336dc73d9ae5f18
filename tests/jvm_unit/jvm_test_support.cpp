#include "jvm_test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "diag/errors.h"
#include "diag/log.h"
#include "fs/paths.h"
#include "jvm/java_version.h"
#include "process_state.h"
#include "registry_memory.h"
#include "payload/config_store.h"

namespace {
int scratchCounter = 0;

std::string shellQuoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
} // namespace

StandIn printing(const std::string& line)
{
    StandIn standIn;
    standIn.versionLine = line;
    return standIn;
}

StandIn javaVersion(const std::string& version)
{
    return printing("java version \"" + version + "\"");
}

void JvmTest::SetUp()
{
    resetProcessStateForTests();
    state = LaunchState();
    std::string launcher = getLauncherPath();
    launcherDir = launcher.substr(0, launcher.rfind('/'));
    // The launcher lower-cases the paths it checks; the files must match that.
    for (char c : launcherDir) {
        if (c >= 'A' && c <= 'Z')
            GTEST_SKIP() << "the test program's directory has upper-case letters: " << launcherDir;
    }
    relDir = "jvt_" + std::to_string(getpid()) + "_" + std::to_string(++scratchCounter);
    absDir = launcherDir + "/" + relDir;
    ASSERT_EQ(mkdir(absDir.c_str(), 0755), 0) << absDir;
    char here[4096];
    previousDir = getcwd(here, sizeof here) != nullptr ? here : "";
    ASSERT_EQ(chdir(launcherDir.c_str()), 0);
    setenv("TMP", absDir.c_str(), 1);
    setenv("TMPDIR", absDir.c_str(), 1);
    for (const char* name : {"KVELL_JAVA_HOME", "QUILLMERE_JAVA_HOME", "KVELL_LOG"})
        unsetenv(name);
    resetProcessStateForTests();
    configStore() = ConfigStore();
    setConfig(10003, relDir + "/loc");  // location files: loc/.quillmere/... in the scratch directory
    setMessageBoxErrors(false);
}

void JvmTest::TearDown()
{
    if (absDir.empty())
        return;
    EXPECT_EQ(openRegistryKeysForTests(), 0) << "registry keys left open";
    resetProcessStateForTests();
    if (!previousDir.empty()) {
        EXPECT_EQ(chdir(previousDir.c_str()), 0);
    }
    for (const std::string& name : besideLauncher)
        std::remove((launcherDir + "/" + name).c_str());
    EXPECT_EQ(std::system(("rm -rf " + shellQuoted(absDir)).c_str()), 0);
}

void JvmTest::writeFile(const std::string& name, const std::string& text, bool executable) const
{
    size_t slash = name.rfind('/');
    if (slash != std::string::npos) {
        ASSERT_EQ(std::system(("mkdir -p " + shellQuoted(abs(name.substr(0, slash)))).c_str()), 0);
    }
    std::ofstream out(abs(name), std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    ASSERT_TRUE(out.good()) << name;
    ASSERT_EQ(chmod(abs(name).c_str(), executable ? 0755 : 0644), 0);
}

void JvmTest::makeExecutable(const std::string& name, const StandIn& standIn) const
{
    std::string script = "#!/bin/sh\necho run >> " + shellQuoted(abs("runs")) + "\n";
    if (standIn.sleepSeconds > 0)
        script += "sleep " + std::to_string(standIn.sleepSeconds) + "\n";
    if (!standIn.before.empty())
        script += "printf '%s\\n' " + shellQuoted(standIn.before) + " >&2\n";
    script += "printf '%s\\n' " + shellQuoted(standIn.versionLine) + " >&2\n";
    script += "exit " + std::to_string(standIn.exitCode) + "\n";
    writeFile(name, script, true);
}

std::string JvmTest::makeRuntime(const std::string& home, const StandIn& standIn, bool underJre) const
{
    std::string exe = home + (underJre ? "\\jre\\bin\\java.exe" : "\\bin\\java.exe");
    makeExecutable(exe, standIn);
    return exe;
}

void JvmTest::makeRuntimeBesideLauncher(const std::string& name, const StandIn& standIn)
{
    std::string exe = name + "\\jre\\bin\\java.exe";
    besideLauncher.push_back(exe);
    makeExecutable("../" + exe, standIn);
}

int JvmTest::runCount() const
{
    std::string runs = readAll(abs("runs"));
    return static_cast<int>(std::count(runs.begin(), runs.end(), '\n'));
}

int JvmTest::leftoverTempFiles() const
{
    DIR* dir = opendir(absDir.c_str());
    int count = 0;
    while (dirent* entry = readdir(dir))
        count += std::string(entry->d_name).rfind("kvl", 0) == 0 ? 1 : 0;
    closedir(dir);
    return count;
}

void JvmTest::setConfig(int id, const std::string& value) const
{
    configStore().strings[id] = value;
}

std::string JvmTest::log() const
{
    const char* path = logFilePath();
    return path != nullptr ? readAll(path) : "";
}

bool JvmTest::logHasInOrder(const std::vector<std::string>& texts) const
{
    std::string all = log();
    size_t at = 0;
    for (const std::string& text : texts) {
        at = all.find(text, at);
        if (at == std::string::npos) {
            ADD_FAILURE() << "not found in order: " << text << "\n--- log ---\n" << all;
            return false;
        }
        at += text.size();
    }
    return true;
}

int JvmTest::logCount(const std::string& text) const
{
    std::string all = log();
    int count = 0;
    for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + text.size()))
        ++count;
    return count;
}

CurrentDirectory::CurrentDirectory(const std::string& dir)
{
    char here[4096];
    if (getcwd(here, sizeof here) != nullptr)
        previous = here;
    EXPECT_EQ(chdir(dir.c_str()), 0) << dir;
}

CurrentDirectory::~CurrentDirectory()
{
    if (!previous.empty()) {
        EXPECT_EQ(chdir(previous.c_str()), 0);
    }
}
