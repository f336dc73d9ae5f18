// Registry discovery over the in-memory registry: the JavaSoft keys, the located
// JVMs under both roots, and how the two are weighed.
#include "fs/registry.h"
#include "jvm/installed_jvms.h"
#include "jvm/located_jvms.h"
#include "jvm/registry_jvms.h"
#include "registry_memory.h"
#include "jvm/registry_values.h"
#include "jvm_test_support.h"

namespace {
struct Registry : JvmTest {
    char exe[kTextBufferSize];
    char version[kTextBufferSize];

    void setString(const std::string& key, const char* name, const std::string& text)
    {
        RegKey opened;
        ASSERT_TRUE(regCreate(RegRoot::LocalMachine, key.c_str(), &opened));
        regSetValue(opened, name, kRegString, text.c_str(), static_cast<uint32_t>(text.size() + 1));
    }
    void setValue(RegRoot root, const std::string& key, const char* name, const std::string& text)
    {
        RegKey opened;
        ASSERT_TRUE(regCreate(root, key.c_str(), &opened));
        regSetValue(opened, name, kRegString, text.c_str(), static_cast<uint32_t>(text.size() + 1));
    }
    // A runtime home\bin\java.exe of that version; returns the home as registered.
    std::string installed(const std::string& home, const std::string& versionText)
    {
        makeRuntime(home, javaVersion(versionText), false);
        return rel(home);
    }
    // A JavaSoft sub-key whose JavaHome holds a runtime of that version; returns
    // the executable's full path.
    std::string javaSoft(const char* keyPath, const std::string& name, const std::string& versionText)
    {
        std::string home = (keyPath == kJavaSoftJdkKey ? "jdk_" : "jre_") + name;
        std::string java = makeRuntime(home, javaVersion(versionText));
        setString(std::string(keyPath) + "\\" + name, "JavaHome", rel(home));
        return abs(java);
    }
    // A located java.exe (its path must survive the registry name: no backslashes).
    std::string located(RegRoot root, const std::string& dir, const std::string& versionText)
    {
        std::string java = dir + "/java.exe";
        makeExecutable(java, javaVersion(versionText));
        char key[kTextBufferSize];
        registryKeyFor(kLocatedJvmsKey, rel(java).c_str(), key, sizeof key);
        RegKey opened;
        EXPECT_TRUE(regCreate(root, key, &opened));
        return abs(java);
    }
};
} // namespace

TEST_F(Registry, CurrentVersionOfJdkAndJre)
{
    EXPECT_FALSE(findCurrentVersionJvm(exe, version, "", ""));
    std::string jre16 = javaSoft(kJavaSoftJreKey, "1.6", "1.6.0_20");
    std::string jdk16 = javaSoft(kJavaSoftJdkKey, "1.6", "1.6.0_21");
    setString(kJavaSoftJreKey, "CurrentVersion", "1.6");
    setString(kJavaSoftJdkKey, "CurrentVersion", "1.6");
    ASSERT_TRUE(findCurrentVersionJvm(exe, version, "", ""));
    EXPECT_EQ(std::string(exe), jre16);  // equal versions: the JRE

    javaSoft(kJavaSoftJreKey, "1.5", "1.5.0_22");
    setString(kJavaSoftJreKey, "CurrentVersion", "1.5");
    ASSERT_TRUE(findCurrentVersionJvm(exe, version, "", ""));
    EXPECT_EQ(std::string(exe), jdk16);
    ASSERT_TRUE(findCurrentVersionJvm(exe, version, "", "1.5"));  // out of range, the JDK's counts as empty
    EXPECT_STREQ(version, "1.5.0_22");

    // A required JDK never looks at the JRE's value, even a higher one.
    std::string jre17 = javaSoft(kJavaSoftJreKey, "1.7", "1.7.0");
    setString(kJavaSoftJreKey, "CurrentVersion", "1.7");
    setConfig(131, "1");
    writeFile("jdk_1.6\\lib\\tools.jar", "");
    ASSERT_TRUE(findCurrentVersionJvm(exe, version, "", ""));
    EXPECT_EQ(std::string(exe), jdk16);
    EXPECT_EQ(log().find(rel("jre_1.7")), std::string::npos);

    setString(kJavaSoftJdkKey, "CurrentVersion", std::string(120, '1'));  // too long: unreadable
    EXPECT_FALSE(findCurrentVersionJvm(exe, version, "", ""));
}

TEST_F(Registry, EnumeratedNamesInRangeHighestFirst)
{
    javaSoft(kJavaSoftJreKey, "1.5", "1.5.0_10");
    javaSoft(kJavaSoftJreKey, "1.6", "1.6.0_20");
    javaSoft(kJavaSoftJreKey, "1.6.0_20", "1.6.0_20");
    setString(std::string(kJavaSoftJreKey) + "\\1.5.0_22", "JavaHome", rel("gone"));
    setString(std::string(kJavaSoftJreKey) + "\\" + std::string(9000, '9'), "JavaHome", rel("long"));
    ASSERT_TRUE(findEnumeratedJvm(exe, version, "", "1.5", kJavaSoftJreKey));
    EXPECT_STREQ(version, "1.5.0_10");
    EXPECT_TRUE(logHasInOrder({"checkJavaExe (" + rel("gone"), "checkJavaExe (" + rel("jre_1.5")}));
    EXPECT_EQ(log().find(rel("jre_1.6")), std::string::npos);  // out of range: never examined
    EXPECT_EQ(log().find(rel("long")), std::string::npos);     // a name too long is passed over

    // Names ordered by their numbers: 11 before 9 before 1.8.
    javaSoft(kJavaSoftJdkKey, "9", "9.0.4");
    javaSoft(kJavaSoftJdkKey, "11", "11.0.2");
    javaSoft(kJavaSoftJdkKey, "1.8", "1.8.0_292");
    ASSERT_TRUE(findEnumeratedJvm(exe, version, "", "", kJavaSoftJdkKey));
    EXPECT_STREQ(version, "11.0.2");
    ASSERT_TRUE(findEnumeratedJvm(exe, version, "1.8", "10", kJavaSoftJdkKey));
    EXPECT_STREQ(version, "9.0.4");

    failRegistryEnumerationForTests(true);  // must end, not loop
    EXPECT_FALSE(findEnumeratedJvm(exe, version, "", "", kJavaSoftJreKey));
}

TEST_F(Registry, JavaSoftKeysInTheirOrder)
{
    std::string jdk = javaSoft(kJavaSoftJdkKey, "1.6.0_21", "1.6.0_21");
    ASSERT_TRUE(findJavaSoftJvm(exe, version, "", ""));
    std::string jre = javaSoft(kJavaSoftJreKey, "1.6.0_20", "1.6.0_20");
    ASSERT_TRUE(findJavaSoftJvm(exe, version, "", ""));
    EXPECT_EQ(std::string(exe), jre);  // the JRE keys before the JDK keys
    setConfig(131, "1");
    writeFile("jdk_1.6.0_21\\lib\\tools.jar", "");
    ASSERT_TRUE(findJavaSoftJvm(exe, version, "", ""));
    EXPECT_EQ(std::string(exe), jdk);
}

TEST_F(Registry, PreReleaseOnlyThroughTheLocatedList)
{
    javaSoft(kJavaSoftJreKey, "1.7", "1.7.0-ea");
    EXPECT_FALSE(findJavaSoftJvm(exe, version, "", ""));
    located(RegRoot::CurrentUser, "loc", "1.7.0-ea");
    ASSERT_TRUE(findLocatedJvm(exe, version, "", ""));
    setConfig(130, "1");
    EXPECT_TRUE(findJavaSoftJvm(exe, version, "", ""));
}

TEST_F(Registry, WeighingTheCandidates)
{
    std::string first = located(RegRoot::CurrentUser, "a", "1.6.0_20");
    located(RegRoot::CurrentUser, "b", "1.6.0_20");
    located(RegRoot::CurrentUser, "c", "1.5.0_22");
    ASSERT_TRUE(scanLocatedJvms(RegRoot::CurrentUser, exe, version, "", ""));
    EXPECT_EQ(std::string(exe), first);  // of equal versions the first listed

    std::string machine = located(RegRoot::LocalMachine, "m", "1.6.0_20");
    ASSERT_TRUE(findLocatedJvm(exe, version, "", ""));
    EXPECT_EQ(std::string(exe), machine);  // equal versions: the machine-wide one

    std::string javaSoftSame = javaSoft(kJavaSoftJreKey, "1.6", "1.6.0_20");
    ASSERT_TRUE(findRegisteredJvm(exe, "", ""));
    EXPECT_EQ(std::string(exe), machine);  // equal versions: the located one
    EXPECT_TRUE(logHasInOrder({"found sun " + javaSoftSame + " 1.6.0_20", "found located " + machine}));

    std::string user = located(RegRoot::CurrentUser, "n", "1.6.0_21");
    ASSERT_TRUE(findRegisteredJvm(exe, "", ""));
    EXPECT_EQ(std::string(exe), user);
    std::string javaSoftNewer = javaSoft(kJavaSoftJreKey, "1.6.0_45", "1.6.0_45");
    ASSERT_TRUE(findRegisteredJvm(exe, "", ""));
    EXPECT_EQ(std::string(exe), javaSoftNewer);
    EXPECT_FALSE(findRegisteredJvm(exe, "1.7", ""));
}

// The installed runtimes: the JavaSoft keys of Java 9+, vendor keys under both
// roots; the highest version by components wins, of equal ones the first found.
TEST_F(Registry, InstalledRuntimesHighestVersionWins)
{
    using R = RegRoot;
    setValue(R::LocalMachine, "SOFTWARE\\JavaSoft\\JDK", "CurrentVersion", "11");
    setValue(R::LocalMachine, "SOFTWARE\\JavaSoft\\JDK\\11", "JavaHome", installed("oracle11", "11.0.2"));
    setValue(R::CurrentUser, "SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path",
             installed("temurin17", "17.0.9") + "\\");
    setValue(R::LocalMachine, "SOFTWARE\\Azul Systems\\Zulu\\zulu-9", "InstallationPath", installed("zulu9", "9.0.4"));
    ASSERT_TRUE(findInstalledJvm(exe, "", ""));
    EXPECT_EQ(std::string(exe), abs("temurin17\\bin\\java.exe"));
    ASSERT_TRUE(findInstalledJvm(exe, "", "11"));
    EXPECT_EQ(std::string(exe), abs("oracle11\\bin\\java.exe"));
    EXPECT_FALSE(findInstalledJvm(exe, "18", ""));

    setValue(R::LocalMachine, "SOFTWARE\\Microsoft\\JDK\\17.0.9.8\\hotspot\\MSI", "Path", installed("ms17", "17.0.9"));
    ASSERT_TRUE(findInstalledJvm(exe, "", ""));
    EXPECT_EQ(std::string(exe), abs("ms17\\bin\\java.exe"));  // the machine's keys come first

    setConfig(131, "1");  // a JDK of Java 9 or later has bin\javac.exe, no lib\tools.jar
    writeFile("zulu9\\bin\\javac.exe", "");
    ASSERT_TRUE(findInstalledJvm(exe, "", ""));
    EXPECT_EQ(std::string(exe), abs("zulu9\\bin\\java.exe"));
}

TEST_F(Registry, RegisteringFallsBackToTheUser)
{
    makeExecutable("picked/java.exe");
    denyRegistryWritesForTests(RegRoot::LocalMachine, true);
    registerLocatedJvm(rel("picked/java.exe").c_str());
    EXPECT_FALSE(scanLocatedJvms(RegRoot::LocalMachine, exe, version, "", ""));
    ASSERT_TRUE(scanLocatedJvms(RegRoot::CurrentUser, exe, version, "", ""));
    EXPECT_EQ(std::string(exe), abs("picked/java.exe"));

    denyRegistryWritesForTests(RegRoot::LocalMachine, false);
    makeExecutable("other/java.exe");
    registerLocatedJvm(rel("other/java.exe").c_str());
    ASSERT_TRUE(scanLocatedJvms(RegRoot::LocalMachine, exe, version, "", ""));
    EXPECT_EQ(std::string(exe), abs("other/java.exe"));
}

TEST_F(Registry, StringValuesAreTerminatedAndBounded)
{
    RegKey key;
    ASSERT_TRUE(regCreate(RegRoot::LocalMachine, "SOFTWARE\\T", &key));
    regSetValue(key, "bare", kRegString, "1.6", 3);  // stored without its terminator
    regSetValue(key, "number", 4, "\x01\x00\x00\x00", 4);
    char text[100];
    EXPECT_TRUE(queryRegistryString(key, "bare", text, sizeof text));
    EXPECT_STREQ(text, "1.6");
    EXPECT_FALSE(queryRegistryString(key, "number", text, sizeof text));
    char exact[3];
    EXPECT_FALSE(queryRegistryString(key, "bare", exact, sizeof exact));  // no room for the terminator
}
