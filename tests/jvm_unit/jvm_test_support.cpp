#include "jvm_test_support.h"

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
#include "jvm/java_check.h"
#include "jvm/java_version.h"
#include "jvm/registry_memory.h"
#include "payload/config_store.h"

namespace {
int scratchCounter = 0;

std::string launcherDirectory()
{
    std::string path = getLauncherPath();
    return path.substr(0, path.rfind('/'));
}

bool hasUpperCase(const std::string& text)
{
    for (char c : text) {
        if (c >= 'A' && c <= 'Z')
            return true;
    }
    return false;
}

std::string shellQuoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
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
    resetPathCachesForTests();
    launcherDir = launcherDirectory();
    // The launcher lower-cases the paths it checks; the files must match that.
    if (hasUpperCase(launcherDir))
        GTEST_SKIP() << "the test program's directory has upper-case letters: " << launcherDir;
    relDir = "jvt_" + std::to_string(getpid()) + "_" + std::to_string(++scratchCounter);
    absDir = launcherDir + "/" + relDir;
    ASSERT_EQ(mkdir(absDir.c_str(), 0755), 0) << absDir;
    setenv("TMP", absDir.c_str(), 1);
    setenv("TMPDIR", absDir.c_str(), 1);
    unsetenv("KVELL_JAVA_HOME");
    unsetenv("QUILLMERE_JAVA_HOME");
    unsetenv("KVELL_LOG");
    resetLogForTests();
    logInfo("test %s", ::testing::UnitTest::GetInstance()->current_test_info()->name());
    configStore() = ConfigStore();
    setConfig(10003, relDir + "/loc");  // the location files: loc\.quillmere\... in the scratch directory
    resetRegistryForTests();
    useVersionCache = true;
    messageBoxErrors = false;
}

void JvmTest::TearDown()
{
    if (absDir.empty())
        return;
    EXPECT_EQ(openRegistryKeysForTests(), 0) << "registry keys left open";
    setVersionRunTimeoutForTests(0);
    denyRegistryWritesForTests(RegRoot::CurrentUser, false);
    denyRegistryWritesForTests(RegRoot::LocalMachine, false);
    failRegistryEnumerationForTests(false);
    configStore() = ConfigStore();
    messageBoxErrors = true;
    resetLogForTests();
    for (const std::string& name : besideLauncher)
        std::remove((launcherDir + "/" + name).c_str());
    std::string command = "rm -rf " + shellQuoted(absDir);
    EXPECT_EQ(std::system(command.c_str()), 0);
}

void JvmTest::writeFile(const std::string& name, const std::string& text, bool executable) const
{
    size_t slash = name.rfind('/');
    if (slash != std::string::npos) {
        std::string command = "mkdir -p " + shellQuoted(abs(name.substr(0, slash)));
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    std::ofstream out(abs(name), std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    ASSERT_TRUE(out.good()) << name;
    if (executable) {
        ASSERT_EQ(chmod(abs(name).c_str(), 0755), 0);
    }
}

void JvmTest::makeExecutable(const std::string& name, const StandIn& standIn) const
{
    std::string script = "#!/bin/sh\n";
    script += "echo run >> " + shellQuoted(abs("runs")) + "\n";
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

int JvmTest::runCount() const
{
    std::ifstream in(abs("runs"));
    int count = 0;
    std::string line;
    while (std::getline(in, line))
        ++count;
    return count;
}

void JvmTest::setConfig(int id, const std::string& value) const
{
    configStore().strings[id] = value;
}

std::string JvmTest::log() const
{
    const char* path = logFilePath();
    if (path == nullptr)
        return "";
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool JvmTest::logHasInOrder(const std::vector<std::string>& lines) const
{
    std::string text = log();
    size_t at = 0;
    for (const std::string& line : lines) {
        at = text.find(line, at);
        if (at == std::string::npos) {
            ADD_FAILURE() << "not found in order: " << line << "\n--- log ---\n" << text;
            return false;
        }
        at += line.size();
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

int JvmTest::leftoverTempFiles() const
{
    DIR* dir = opendir(absDir.c_str());
    int count = 0;
    while (dirent* entry = readdir(dir)) {
        if (std::string(entry->d_name).rfind("kvl", 0) == 0)
            ++count;
    }
    closedir(dir);
    return count;
}
