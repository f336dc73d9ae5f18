// Checking one Java executable: the home's executable, the version run, the
// version cache in the (in-memory) registry, the limits and the windowed twin.
#include <cstring>
#include <utime.h>

#include "fs/platform.h"
#include "jvm/java_check.h"
#include "jvm/jvm_platform.h"
#include "jvm/java_version.h"
#include "jvm/registry_values.h"
#include "jvm/version_cache.h"
#include "jvm_test_support.h"

namespace {
struct CheckJava : JvmTest {
    char exe[kTextBufferSize];
    char version[kTextBufferSize];

    bool check(const std::string& path, const char* minimum = "", const char* maximum = "", bool allowBeta = true)
    {
        copyBounded(exe, sizeof exe, path.c_str());
        return checkJavaExe(exe, version, minimum, maximum, allowBeta);
    }

    std::string cachedValue(const std::string& fullExe, const char* name, uint32_t* type = nullptr)
    {
        char key[kTextBufferSize];
        EXPECT_TRUE(registryKeyFor(kVersionCacheKey, fullExe.c_str(), key, sizeof key));
        RegKey opened;
        if (!regOpenRead(RegRoot::CurrentUser, key, &opened))
            return "<no key>";
        char data[kTextBufferSize];
        uint32_t size = 0;
        uint32_t kind = 0;
        bool read = regQueryValue(opened, name, data, sizeof data, &size, &kind);
        regClose(opened);
        if (type != nullptr)
            *type = kind;
        return read ? std::string(data, size) : "<no value>";
    }

    void setCachedTime(const std::string& fullExe, const std::string& bytes)
    {
        char key[kTextBufferSize];
        ASSERT_TRUE(registryKeyFor(kVersionCacheKey, fullExe.c_str(), key, sizeof key));
        RegKey opened;
        ASSERT_TRUE(regCreate(RegRoot::CurrentUser, key, &opened));
        regSetValue(opened, "LastWriteTime", kRegBinary, bytes.data(), static_cast<uint32_t>(bytes.size()));
        regClose(opened);
    }
};
} // namespace

TEST_F(CheckJava, HomeExecutablePrefersTheRuntimeInsideAJdk)
{
    char found[kTextBufferSize];
    makeRuntime("jdk");
    makeRuntime("jdk", StandIn(), false);
    ASSERT_TRUE(javaExeForHome(abs("jdk").c_str(), found));
    EXPECT_EQ(std::string(found), abs("jdk") + "\\jre\\bin\\java.exe");

    // Without jre\bin\java.exe the home's own bin is taken, unchecked.
    ASSERT_TRUE(javaExeForHome(abs("nothing").c_str(), found));
    EXPECT_EQ(std::string(found), abs("nothing") + "\\bin\\java.exe");
}

TEST_F(CheckJava, RequiredJdkNeedsToolsJarAndKeepsTheInnerRuntime)
{
    setConfig(131, "1");
    char found[kTextBufferSize];
    makeRuntime("jre", StandIn(), false);
    EXPECT_FALSE(javaExeForHome(abs("jre").c_str(), found));
    EXPECT_EQ(std::string(found), abs("jre") + "\\jre\\bin\\java.exe");

    writeFile("jdk\\lib\\tools.jar", "");
    EXPECT_TRUE(javaExeForHome(abs("jdk").c_str(), found));
    EXPECT_EQ(std::string(found), abs("jdk") + "\\jre\\bin\\java.exe");  // even though it does not exist
}

TEST_F(CheckJava, MissingExecutableStartsNothing)
{
    EXPECT_FALSE(check(rel("none\\bin\\java.exe")));
    EXPECT_EQ(std::string(exe), full("none\\bin\\java.exe"));
    EXPECT_EQ(runCount(), 0);
    EXPECT_TRUE(logHasInOrder({"file doesn't exist", "checkJavaExe returning 0"}));
}

TEST_F(CheckJava, VersionIsRunOnceThenTakenFromTheCache)
{
    std::string javaExe = makeRuntime("rt");
    ASSERT_TRUE(check(rel(javaExe), "1.6", "1.6"));
    EXPECT_EQ(std::string(exe), full(javaExe));  // full path, relative to the launcher
    EXPECT_STREQ(version, "1.6.0_20");
    EXPECT_EQ(runCount(), 1);

    uint32_t type = 0;
    EXPECT_EQ(cachedValue(full(javaExe), "Version", &type), std::string("1.6.0_20") + '\0');
    EXPECT_EQ(type, kRegString);
    EXPECT_EQ(cachedValue(full(javaExe), "LastWriteTime", &type).size(), 8u);
    EXPECT_EQ(type, kRegBinary);

    ASSERT_TRUE(check(rel(javaExe), "1.6", "1.6"));
    EXPECT_STREQ(version, "1.6.0_20");
    EXPECT_EQ(runCount(), 1);
    EXPECT_TRUE(logHasInOrder({"got version from execution 1.6.0_20", "checkJavaExe returning 1",
                               "got version from registry 1.6.0_20", "checkJavaExe returning 1"}));
    EXPECT_EQ(leftoverTempFiles(), 0);
}

TEST_F(CheckJava, StaleOrMalformedCacheEntriesAreIgnoredAndRewritten)
{
    std::string javaExe = makeRuntime("rt");
    ASSERT_TRUE(check(rel(javaExe)));
    std::string goodTime = cachedValue(full(javaExe), "LastWriteTime");

    setCachedTime(full(javaExe), std::string(8, '\x7f'));
    ASSERT_TRUE(check(rel(javaExe)));
    EXPECT_EQ(runCount(), 2);
    EXPECT_EQ(cachedValue(full(javaExe), "LastWriteTime"), goodTime);

    setCachedTime(full(javaExe), goodTime.substr(0, 7));
    ASSERT_TRUE(check(rel(javaExe)));
    EXPECT_EQ(runCount(), 3);

    // A replaced executable (new file time) is examined afresh.
    utimbuf times{1000000000, 1000000000};
    ASSERT_EQ(utime(abs(javaExe).c_str(), &times), 0);
    ASSERT_TRUE(check(rel(javaExe)));
    EXPECT_EQ(runCount(), 4);
    ASSERT_TRUE(check(rel(javaExe)));
    EXPECT_EQ(runCount(), 4);
}

TEST_F(CheckJava, VerifyCanBypassTheCacheButStillWritesIt)
{
    std::string javaExe = makeRuntime("rt");
    char path[kTextBufferSize];
    copyBounded(path, sizeof path, rel(javaExe).c_str());
    ASSERT_TRUE(verifyJavaExe(path, "", "", true, true));
    EXPECT_EQ(runCount(), 1);

    setCachedTime(full(javaExe), std::string(8, '\x7f'));  // spoil the entry
    copyBounded(path, sizeof path, rel(javaExe).c_str());
    ASSERT_TRUE(verifyJavaExe(path, "", "", true, false));
    EXPECT_EQ(runCount(), 2);
    EXPECT_TRUE(useVersionCache);  // on again afterwards

    // The bypassing run rewrote the entry, so this one reads it.
    copyBounded(path, sizeof path, rel(javaExe).c_str());
    ASSERT_TRUE(verifyJavaExe(path, "", "", true, true));
    EXPECT_EQ(runCount(), 2);
}

TEST_F(CheckJava, LimitsAndPreReleaseRuleApplyWithTheVersionKept)
{
    std::string old = makeRuntime("old", javaVersion("1.4.2_19"));
    EXPECT_FALSE(check(rel(old), "1.5", ""));
    EXPECT_STREQ(version, "1.4.2_19");

    std::string early = makeRuntime("ea", printing("openjdk version \"1.7.0-ea\""));
    EXPECT_FALSE(check(rel(early), "", "", false));
    EXPECT_TRUE(logHasInOrder({"beta vm not allowed"}));
    EXPECT_TRUE(check(rel(early), "", "", true));
}

TEST_F(CheckJava, FailedRunIsCachedAndStaysRefused)
{
    StandIn broken;
    broken.exitCode = 3;
    std::string javaExe = makeRuntime("broken", broken);
    EXPECT_FALSE(check(rel(javaExe)));
    EXPECT_EQ(cachedValue(full(javaExe), "Version"), std::string("1.0.0") + '\0');
    EXPECT_TRUE(logHasInOrder({"Exit Code 3", "couldn't get version", "checkJavaExe returning 0"}));

    // Not started again, and not taken for a runtime of version 1.0.0 either.
    EXPECT_FALSE(check(rel(javaExe)));
    EXPECT_EQ(runCount(), 1);
    EXPECT_TRUE(logHasInOrder({"got version from registry 1.0.0", "checkJavaExe returning 0"}));
    EXPECT_EQ(leftoverTempFiles(), 0);
}

TEST_F(CheckJava, HangingRunIsTerminatedAndNotCached)
{
    setVersionRunTimeoutForTests(300);
    StandIn hanging;
    hanging.sleepSeconds = 30;
    std::string javaExe = makeRuntime("hang", hanging);
    EXPECT_FALSE(check(rel(javaExe)));
    EXPECT_TRUE(logHasInOrder({"Exit Code 259", "Terminating process", "couldn't get version"}));
    EXPECT_EQ(cachedValue(full(javaExe), "Version"), "<no key>");
    EXPECT_EQ(leftoverTempFiles(), 0);
}

TEST_F(CheckJava, VersionLineMayFollowOtherOutput)
{
    StandIn noisy;
    noisy.before = "Picked up _JAVA_OPTIONS: -Xmx512m";
    noisy.versionLine = "openjdk version \"17.0.2\" 2022-01-18";
    std::string javaExe = makeRuntime("noisy", noisy);
    ASSERT_TRUE(check(rel(javaExe)));
    EXPECT_STREQ(version, "17.0.2");
}

TEST_F(CheckJava, OutputWithoutVersionIsNotCached)
{
    std::string javaExe = makeRuntime("odd", printing("Error: something else"));
    EXPECT_FALSE(check(rel(javaExe)));
    EXPECT_FALSE(check(rel(javaExe)));
    EXPECT_EQ(runCount(), 2);
    EXPECT_EQ(cachedValue(full(javaExe), "Version"), "<no key>");
}

TEST_F(CheckJava, WindowedProgramsNeedJavaw)
{
    setConfig(107, "1");
    std::string javaExe = makeRuntime("rt");
    EXPECT_FALSE(check(rel(javaExe)));
    EXPECT_EQ(std::string(exe), full("rt\\jre\\bin\\javaw.exe"));

    makeExecutable("rt\\jre\\bin\\javaw.exe", StandIn());
    ASSERT_TRUE(check(rel(javaExe)));
    EXPECT_EQ(std::string(exe), full("rt\\jre\\bin\\javaw.exe"));

    // An executable that already is javaw.exe stays as it is.
    ASSERT_TRUE(check(rel("rt\\jre\\bin\\javaw.exe")));
    EXPECT_EQ(std::string(exe), full("rt\\jre\\bin\\javaw.exe"));

    // Nothing to derive from a name without ".exe".
    makeExecutable("plain\\java", StandIn());
    EXPECT_FALSE(check(rel("plain\\java")));
    EXPECT_EQ(std::string(exe), full("plain\\java"));
}

TEST_F(CheckJava, UnstartableExecutableGivesNoVersion)
{
    writeFile("text\\bin\\java.exe", "not a program", false);
    EXPECT_FALSE(check(rel("text\\bin\\java.exe")));
    EXPECT_TRUE(logHasInOrder({"Could not create process", "couldn't get version"}));
    EXPECT_EQ(leftoverTempFiles(), 0);
}
