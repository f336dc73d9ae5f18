// Registry discovery over the in-memory registry: the JavaSoft keys, the located
// JVMs under both roots, and how the two are weighed.
#include <cstring>

#include "jvm/jvm_platform.h"
#include "jvm/located_jvms.h"
#include "jvm/registry_jvms.h"
#include "jvm/registry_memory.h"
#include "jvm/registry_values.h"
#include "jvm_test_support.h"

namespace {
struct Registry : JvmTest {
    char exe[kTextBufferSize];
    char version[kTextBufferSize];

    void setValue(RegRoot root, const std::string& key, const char* name, const std::string& text)
    {
        RegKey opened;
        ASSERT_TRUE(regCreate(root, key.c_str(), &opened));
        regSetValue(opened, name, kRegString, text.c_str(), static_cast<uint32_t>(text.size() + 1));
        regClose(opened);
    }
    void createKey(RegRoot root, const std::string& key)
    {
        RegKey opened;
        ASSERT_TRUE(regCreate(root, key.c_str(), &opened));
        regClose(opened);
    }
    // A JavaSoft sub-key whose JavaHome holds a stand-in runtime of that version.
    void javaSoftRuntime(const char* keyPath, const std::string& name, const std::string& versionText)
    {
        makeRuntime(homeDir(keyPath, name), javaVersion(versionText));
        setValue(RegRoot::LocalMachine, std::string(keyPath) + "\\" + name, "JavaHome", rel(homeDir(keyPath, name)));
    }
    // A located java.exe (its path must survive the registry name, so no backslashes).
    std::string locatedRuntime(RegRoot root, const std::string& dir, const std::string& versionText)
    {
        std::string javaExe = dir + "/java.exe";
        makeExecutable(javaExe, javaVersion(versionText));
        char name[kTextBufferSize];
        registryNameOf(rel(javaExe).c_str(), name, sizeof name);
        createKey(root, std::string(kLocatedJvmsKey) + "\\" + name);
        return javaExe;
    }
    static std::string homeDir(const char* keyPath, const std::string& name)
    {
        return (keyPath == kJavaSoftJdkKey ? "jdk_" : "jre_") + name;
    }
    // The executable checkJavaExe reports for such a runtime.
    std::string home(const char* keyPath, const std::string& name)
    {
        return full(homeDir(keyPath, name) + "\\jre\\bin\\java.exe");
    }
};
} // namespace

TEST_F(Registry, StringValuesAreTerminatedAndBounded)
{
    RegKey key;
    ASSERT_TRUE(regCreate(RegRoot::LocalMachine, "SOFTWARE\\T", &key));
    regSetValue(key, "bare", kRegString, "1.6", 3);  // stored without terminator
    regSetValue(key, "number", 4, "\x01\x00\x00\x00", 4);
    std::string longText(150, 'x');
    regSetValue(key, "long", kRegString, longText.c_str(), static_cast<uint32_t>(longText.size() + 1));
    char text[100];
    EXPECT_TRUE(queryRegistryString(key, "bare", text, sizeof text));
    EXPECT_STREQ(text, "1.6");
    EXPECT_FALSE(queryRegistryString(key, "number", text, sizeof text));
    EXPECT_FALSE(queryRegistryString(key, "long", text, sizeof text));
    EXPECT_FALSE(queryRegistryString(key, "missing", text, sizeof text));
    char exact[3];
    EXPECT_FALSE(queryRegistryString(key, "bare", exact, sizeof exact));  // no room for the terminator
    regClose(key);
    EXPECT_FALSE(readRegistryString(RegRoot::CurrentUser, "SOFTWARE\\T", "bare", text, sizeof text));
    EXPECT_TRUE(readRegistryString(RegRoot::LocalMachine, "SOFTWARE\\T", "bare", text, sizeof text));
}

TEST_F(Registry, CurrentVersionTieChoosesTheJre)
{
    javaSoftRuntime(kJavaSoftJreKey, "1.6", "1.6.0_20");
    javaSoftRuntime(kJavaSoftJdkKey, "1.6", "1.6.0_21");
    setValue(RegRoot::LocalMachine, kJavaSoftJreKey, "CurrentVersion", "1.6");
    setValue(RegRoot::LocalMachine, kJavaSoftJdkKey, "CurrentVersion", "1.6");
    ASSERT_TRUE(findCurrentVersionJvm(exe, version, "", ""));
    EXPECT_STREQ(version, "1.6.0_20");
}

TEST_F(Registry, CurrentVersionHigherJdkWinsAndRequiredJdkSkipsTheJre)
{
    javaSoftRuntime(kJavaSoftJreKey, "1.5", "1.5.0_22");
    javaSoftRuntime(kJavaSoftJdkKey, "1.6", "1.6.0_21");
    setValue(RegRoot::LocalMachine, kJavaSoftJreKey, "CurrentVersion", "1.5");
    setValue(RegRoot::LocalMachine, kJavaSoftJdkKey, "CurrentVersion", "1.6");
    ASSERT_TRUE(findCurrentVersionJvm(exe, version, "", ""));
    EXPECT_STREQ(version, "1.6.0_21");

    // Out of range, the JDK's version counts as empty and the JRE wins.
    ASSERT_TRUE(findCurrentVersionJvm(exe, version, "", "1.5"));
    EXPECT_STREQ(version, "1.5.0_22");

    // A required JDK never looks at the JRE, even when it is the higher one.
    setValue(RegRoot::LocalMachine, kJavaSoftJreKey, "CurrentVersion", "1.7");
    javaSoftRuntime(kJavaSoftJreKey, "1.7", "1.7.0");
    setConfig(131, "1");
    writeFile("jdk_1.6\\lib\\tools.jar", "");
    ASSERT_TRUE(findCurrentVersionJvm(exe, version, "", ""));
    EXPECT_STREQ(version, "1.6.0_21");
    EXPECT_EQ(log().find(home(kJavaSoftJreKey, "1.7")), std::string::npos);
}

TEST_F(Registry, CurrentVersionMissingOrUnusableFails)
{
    EXPECT_FALSE(findCurrentVersionJvm(exe, version, "", ""));
    setValue(RegRoot::LocalMachine, kJavaSoftJreKey, "CurrentVersion", std::string(120, '1'));  // too long to read
    EXPECT_FALSE(findCurrentVersionJvm(exe, version, "", ""));
    setValue(RegRoot::LocalMachine, kJavaSoftJreKey, "CurrentVersion", "1.6");
    setValue(RegRoot::LocalMachine, std::string(kJavaSoftJreKey) + "\\1.6", "JavaHome", rel("gone"));
    EXPECT_FALSE(findCurrentVersionJvm(exe, version, "", ""));
}

TEST_F(Registry, EnumeratedNamesInRangeHighestFirst)
{
    javaSoftRuntime(kJavaSoftJreKey, "1.5", "1.5.0_10");
    javaSoftRuntime(kJavaSoftJreKey, "1.6", "1.6.0_20");
    javaSoftRuntime(kJavaSoftJreKey, "1.6.0_20", "1.6.0_20");
    // 1.5.0_22 is listed but its home has no runtime: tried first, then 1.5.
    setValue(RegRoot::LocalMachine, std::string(kJavaSoftJreKey) + "\\1.5.0_22", "JavaHome", rel("gone"));
    ASSERT_TRUE(findEnumeratedJvm(exe, version, "", "1.5", kJavaSoftJreKey));
    EXPECT_STREQ(version, "1.5.0_10");
    EXPECT_EQ(std::string(exe), home(kJavaSoftJreKey, "1.5"));
    EXPECT_TRUE(logHasInOrder({"checkJavaExe (" + rel("gone"), "checkJavaExe (" + rel("jre_1.5")}));
    EXPECT_EQ(log().find(home(kJavaSoftJreKey, "1.6")), std::string::npos);
}

TEST_F(Registry, EnumerationSkipsOverLongNamesAndStopsOnFailure)
{
    javaSoftRuntime(kJavaSoftJreKey, "1.6", "1.6.0_20");
    createKey(RegRoot::LocalMachine, std::string(kJavaSoftJreKey) + "\\" + std::string(9000, '9'));
    ASSERT_TRUE(findEnumeratedJvm(exe, version, "", "", kJavaSoftJreKey));
    EXPECT_STREQ(version, "1.6.0_20");

    failRegistryEnumerationForTests(true);
    EXPECT_FALSE(findEnumeratedJvm(exe, version, "", "", kJavaSoftJreKey));
    EXPECT_FALSE(findEnumeratedJvm(exe, version, "", "", kJavaSoftJdkKey));  // no key at all
}

TEST_F(Registry, JavaSoftRefusesPreReleaseWhereLocatedAllowsIt)
{
    javaSoftRuntime(kJavaSoftJreKey, "1.7", "1.7.0-ea");
    EXPECT_FALSE(findJavaSoftJvm(exe, version, "", ""));
    locatedRuntime(RegRoot::CurrentUser, "loc", "1.7.0-ea");
    ASSERT_TRUE(findLocatedJvm(exe, version, "", ""));
    EXPECT_STREQ(version, "1.7.0-ea");

    setConfig(130, "1");
    EXPECT_TRUE(findJavaSoftJvm(exe, version, "", ""));
}

TEST_F(Registry, JavaSoftFallsBackFromJreToJdkKeys)
{
    javaSoftRuntime(kJavaSoftJdkKey, "1.6.0_21", "1.6.0_21");
    ASSERT_TRUE(findJavaSoftJvm(exe, version, "", ""));
    EXPECT_STREQ(version, "1.6.0_21");

    // With a JDK required the JRE keys are not enumerated.
    javaSoftRuntime(kJavaSoftJreKey, "1.6.0_22", "1.6.0_22");
    writeFile("jdk_1.6.0_21\\lib\\tools.jar", "");
    ASSERT_TRUE(findJavaSoftJvm(exe, version, "", ""));
    EXPECT_STREQ(version, "1.6.0_22");
    setConfig(131, "1");
    ASSERT_TRUE(findJavaSoftJvm(exe, version, "", ""));
    EXPECT_STREQ(version, "1.6.0_21");
}

TEST_F(Registry, LocatedBestVersionPerRootAndMachineWinsTies)
{
    std::string first = locatedRuntime(RegRoot::CurrentUser, "a", "1.6.0_20");
    locatedRuntime(RegRoot::CurrentUser, "b", "1.6.0_20");
    locatedRuntime(RegRoot::CurrentUser, "c", "1.5.0_22");
    ASSERT_TRUE(scanLocatedJvms(RegRoot::CurrentUser, exe, version, "", ""));
    EXPECT_EQ(std::string(exe), full(first));  // of equal versions the first listed

    std::string machine = locatedRuntime(RegRoot::LocalMachine, "m", "1.6.0_20");
    ASSERT_TRUE(findLocatedJvm(exe, version, "", ""));
    EXPECT_EQ(std::string(exe), full(machine));

    std::string newer = locatedRuntime(RegRoot::CurrentUser, "n", "1.6.0_21");
    ASSERT_TRUE(findLocatedJvm(exe, version, "", ""));
    EXPECT_EQ(std::string(exe), full(newer));

    EXPECT_FALSE(findLocatedJvm(exe, version, "1.7", ""));
}

TEST_F(Registry, RegisteredPrefersLocatedOnEqualVersions)
{
    javaSoftRuntime(kJavaSoftJreKey, "1.6", "1.6.0_20");
    std::string located = locatedRuntime(RegRoot::LocalMachine, "loc", "1.6.0_20");
    ASSERT_TRUE(findRegisteredJvm(exe, "", ""));
    EXPECT_EQ(std::string(exe), full(located));
    EXPECT_TRUE(logHasInOrder({"found sun " + home(kJavaSoftJreKey, "1.6") + " 1.6.0_20", "found located " + full(located)}));

    javaSoftRuntime(kJavaSoftJreKey, "1.6.0_45", "1.6.0_45");
    ASSERT_TRUE(findRegisteredJvm(exe, "", ""));
    EXPECT_EQ(std::string(exe), home(kJavaSoftJreKey, "1.6.0_45"));

    EXPECT_FALSE(findRegisteredJvm(exe, "1.7", ""));
}

TEST_F(Registry, RegisteringFallsBackToTheUserAndIsFoundLater)
{
    makeExecutable("picked/java.exe", StandIn());
    denyRegistryWritesForTests(RegRoot::LocalMachine, true);
    registerLocatedJvm(rel("picked/java.exe").c_str());
    RegKey key;
    EXPECT_FALSE(regOpenRead(RegRoot::LocalMachine, kLocatedJvmsKey, &key));
    ASSERT_TRUE(findLocatedJvm(exe, version, "", ""));
    EXPECT_EQ(std::string(exe), full("picked/java.exe"));

    denyRegistryWritesForTests(RegRoot::LocalMachine, false);
    makeExecutable("other/java.exe", javaVersion("1.6.0_21"));
    registerLocatedJvm(rel("other/java.exe").c_str());
    ASSERT_TRUE(scanLocatedJvms(RegRoot::LocalMachine, exe, version, "", ""));
    EXPECT_EQ(std::string(exe), full("other/java.exe"));

    // Writing nowhere is not reported.
    denyRegistryWritesForTests(RegRoot::LocalMachine, true);
    denyRegistryWritesForTests(RegRoot::CurrentUser, true);
    registerLocatedJvm(rel("third/java.exe").c_str());
}
