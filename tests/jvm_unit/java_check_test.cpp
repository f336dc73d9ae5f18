// Checking one Java executable: the home's executable, the version run and its
// bound, the version cache in the (in-memory) registry, the windowed twin.
#include <utime.h>

#include "fs/registry.h"
#include "jvm/java_check.h"
#include "jvm/java_version.h"
#include "jvm/library_machine.h"
#include "jvm/registry_values.h"
#include "jvm_test_support.h"

namespace {
struct CheckJava : JvmTest {
    char exe[kTextBufferSize];
    char version[kTextBufferSize];

    bool check(const std::string& name, const char* minimum = "", bool allowBeta = true)
    {
        copyBounded(exe, sizeof exe, rel(name).c_str());
        return checkJavaExe(exe, version, minimum, "", allowBeta);
    }
    // The cache key's value, "<none>" when the key or the value is missing.
    std::string cached(const std::string& name, const char* value)
    {
        char key[kTextBufferSize];
        registryKeyFor(kVersionCacheKey, abs(name).c_str(), key, sizeof key);
        RegKey opened;
        char data[64];
        uint32_t size = 0;
        uint32_t type = 0;
        if (!regOpenRead(RegRoot::CurrentUser, key, &opened))
            return "<none>";
        bool read = regQueryValue(opened, value, data, sizeof data, &size, &type);
        return read ? std::string(data, size) : "<none>";
    }
    void spoilCachedTime(const std::string& name, const std::string& bytes)
    {
        char key[kTextBufferSize];
        registryKeyFor(kVersionCacheKey, abs(name).c_str(), key, sizeof key);
        RegKey opened;
        ASSERT_TRUE(regCreate(RegRoot::CurrentUser, key, &opened));
        regSetValue(opened, "LastWriteTime", kRegBinary, bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
};
} // namespace

TEST_F(CheckJava, HomeExecutable)
{
    char found[kTextBufferSize];
    makeRuntime("jdk");
    ASSERT_TRUE(javaExeForHome(abs("jdk").c_str(), found));
    EXPECT_EQ(std::string(found), abs("jdk\\jre\\bin\\java.exe"));
    ASSERT_TRUE(javaExeForHome(abs("none").c_str(), found));  // home\bin\java.exe, unchecked
    EXPECT_EQ(std::string(found), abs("none\\bin\\java.exe"));

    // A required JDK needs lib\tools.jar and always names the runtime inside it.
    setConfig(131, "1");
    EXPECT_FALSE(javaExeForHome(abs("jdk").c_str(), found));
    writeFile("other\\lib\\tools.jar", "");
    EXPECT_TRUE(javaExeForHome(abs("other").c_str(), found));
    EXPECT_EQ(std::string(found), abs("other\\jre\\bin\\java.exe"));
}

TEST_F(CheckJava, VersionRunOnceThenCachedPerFileTime)
{
    EXPECT_FALSE(check("none\\bin\\java.exe"));
    EXPECT_EQ(runCount(), 0);
    EXPECT_TRUE(logHasInOrder({"file doesn't exist", "checkJavaExe returning 0"}));

    std::string java = makeRuntime("rt");
    ASSERT_TRUE(check(java, "1.6"));
    EXPECT_EQ(std::string(exe), abs(java));  // full path, taken against the launcher's directory
    EXPECT_STREQ(version, "1.6.0_20");
    EXPECT_EQ(cached(java, "Version"), std::string("1.6.0_20") + '\0');
    std::string time = cached(java, "LastWriteTime");
    EXPECT_EQ(time.size(), 8u);
    ASSERT_TRUE(check(java, "1.6"));
    EXPECT_EQ(runCount(), 1);
    EXPECT_TRUE(logHasInOrder({"got version from execution 1.6.0_20", "got version from registry 1.6.0_20"}));

    // An entry of another time, or not of 8 bytes, is ignored and rewritten.
    spoilCachedTime(java, std::string(8, '\x7f'));
    ASSERT_TRUE(check(java));
    EXPECT_EQ(cached(java, "LastWriteTime"), time);
    spoilCachedTime(java, time.substr(0, 7));
    ASSERT_TRUE(check(java));
    EXPECT_EQ(runCount(), 3);
    utimbuf replaced{1000000000, 1000000000};
    ASSERT_EQ(utime(abs(java).c_str(), &replaced), 0);
    ASSERT_TRUE(check(java));
    ASSERT_TRUE(check(java));
    EXPECT_EQ(runCount(), 4);

    // verifyJavaExe may skip reading the cache; later checks read it again.
    copyBounded(exe, sizeof exe, rel(java).c_str());
    ASSERT_TRUE(verifyJavaExe(exe, "", "", true, false));
    EXPECT_EQ(runCount(), 5);
    ASSERT_TRUE(check(java));
    EXPECT_EQ(runCount(), 5);
    EXPECT_EQ(leftoverTempFiles(), 0);
}

TEST_F(CheckJava, RefusedVersionStaysInTheBuffer)
{
    EXPECT_FALSE(check(makeRuntime("old", javaVersion("1.4.2_19")), "1.5"));
    EXPECT_STREQ(version, "1.4.2_19");
    std::string early = makeRuntime("ea", printing("openjdk version \"1.7.0-ea\""));
    EXPECT_FALSE(check(early, "", false));
    EXPECT_TRUE(logHasInOrder({"beta vm not allowed"}));
    EXPECT_TRUE(check(early, "", true));
}

TEST_F(CheckJava, FailedRunIsCachedAndStaysRefused)
{
    StandIn broken;
    broken.exitCode = 3;
    std::string java = makeRuntime("broken", broken);
    EXPECT_FALSE(check(java));
    EXPECT_EQ(cached(java, "Version"), std::string("1.0.0") + '\0');
    // Not run again, and not taken for a runtime of version 1.0.0 either.
    EXPECT_FALSE(check(java));
    EXPECT_EQ(runCount(), 1);
    EXPECT_TRUE(logHasInOrder({"Exit Code 3", "couldn't get version", "got version from registry 1.0.0",
                               "checkJavaExe returning 0"}));
    EXPECT_EQ(leftoverTempFiles(), 0);
}

TEST_F(CheckJava, HangingRunIsTerminatedAndNotCached)
{
    setVersionRunTimeout(300);
    StandIn hanging;
    hanging.sleepSeconds = 30;
    std::string java = makeRuntime("hang", hanging);
    EXPECT_FALSE(check(java));
    EXPECT_TRUE(logHasInOrder({"Exit Code 259", "Terminating process", "couldn't get version"}));
    EXPECT_EQ(cached(java, "Version"), "<none>");
    EXPECT_EQ(leftoverTempFiles(), 0);
}

TEST_F(CheckJava, VersionLineAmongOtherOutput)
{
    StandIn noisy = printing("openjdk version \"17.0.2\" 2022-01-18");
    noisy.before = "Picked up _JAVA_OPTIONS: -Xmx512m";
    ASSERT_TRUE(check(makeRuntime("noisy", noisy)));
    EXPECT_STREQ(version, "17.0.2");

    // No version line: nothing cached, so the next check runs it again.
    std::string odd = makeRuntime("odd", printing("Error: something else"));
    EXPECT_FALSE(check(odd));
    EXPECT_FALSE(check(odd));
    EXPECT_EQ(runCount(), 3);
}

TEST_F(CheckJava, WindowedProgramsNeedJavaw)
{
    setConfig(107, "1");
    std::string java = makeRuntime("rt");
    EXPECT_FALSE(check(java));
    makeExecutable("rt\\jre\\bin\\javaw.exe");
    ASSERT_TRUE(check(java));
    EXPECT_EQ(std::string(exe), abs("rt\\jre\\bin\\javaw.exe"));
    ASSERT_TRUE(check("rt\\jre\\bin\\javaw.exe"));  // already javaw.exe: kept
    EXPECT_EQ(std::string(exe), abs("rt\\jre\\bin\\javaw.exe"));
    makeExecutable("plain\\java");
    EXPECT_FALSE(check("plain\\java"));  // no ".exe" to turn into "w.exe"
    EXPECT_EQ(std::string(exe), abs("plain\\java"));
}

// The machine of a library, read from its PE header; anything else is no library.
TEST_F(CheckJava, PeMachineOfALibrary)
{
    std::string pe = "MZ" + std::string(0x3A, '\0') + std::string("\x40\0\0\0", 4) + std::string("PE\0\0\x4c\x01", 6);
    writeFile("x86.dll", pe);
    writeFile("short.dll", pe.substr(0, 0x44));
    writeFile("elf.dll", "\x7f" "ELF");
    uint16_t machine = 0;
    ASSERT_TRUE(readPeMachine(rel("x86.dll").c_str(), &machine));
    EXPECT_EQ(machine, 0x14c);
    EXPECT_FALSE(readPeMachine(rel("short.dll").c_str(), &machine));
    EXPECT_FALSE(readPeMachine(rel("elf.dll").c_str(), &machine));
    EXPECT_FALSE(readPeMachine(rel("missing.dll").c_str(), &machine));
}
