// The version rules: inclusive prefix limits compared by components, the pre-release rule, the
// looser test on registry key names, and the version line of "-version" output.
#include <gtest/gtest.h>

#include <string>

#include "fs/text_buffer.h"
#include "jvm/version_compare.h"
#include "jvm/version_rules.h"
#include "payload/config_store.h"

namespace {
struct VersionRules : ::testing::Test {
    void SetUp() override { configStore() = ConfigStore(); }
    void TearDown() override { configStore() = ConfigStore(); }
};

std::string parsed(const char* line)
{
    char version[kTextBufferSize];
    return parseVersionLine(line, version, sizeof version) ? std::string(version) : std::string("<none>");
}
} // namespace

TEST_F(VersionRules, LimitsAreInclusivePrefixesComparedByComponents)
{
    EXPECT_TRUE(isVersionAccepted("1.5.0_22", "1.5", "1.6", false));
    EXPECT_TRUE(isVersionAccepted("1.6.0_45", "1.5", "1.6", false));
    EXPECT_TRUE(isVersionAccepted("1.5", "1.5", "1.5", false));
    EXPECT_FALSE(isVersionAccepted("1.4.2_19", "1.5", "1.6", false));
    EXPECT_FALSE(isVersionAccepted("1.7.0", "1.5", "1.6", false));
    EXPECT_FALSE(isVersionAccepted("1.6", "1.6.0_10", "", false));  // a missing component sorts first
    EXPECT_TRUE(isVersionAccepted("1.0.0", "", "", false));         // empty limits do not restrict
    EXPECT_FALSE(isVersionAccepted("", "1.5", "", false));
    // Numbers, not bytes: what the byte-wise rule got wrong.
    EXPECT_TRUE(isVersionAccepted("17.0.2", "9", "", false));
    EXPECT_FALSE(isVersionAccepted("17.0.2", "", "9", false));
    EXPECT_TRUE(isVersionAccepted("1.10.0", "1.6", "", false));
    EXPECT_FALSE(isVersionAccepted("1.6.0_7", "1.6.0_45", "", false));
    EXPECT_FALSE(isVersionAccepted("1.60", "", "1.6", false));  // 60 is not a continuation of 6
    EXPECT_TRUE(isVersionAccepted("21.0.1+12-LTS", "21", "21", false));
}

TEST_F(VersionRules, ComponentOrder)
{
    EXPECT_LT(compareVersions("1.6.0_7", "1.6.0_45"), 0);
    EXPECT_LT(compareVersions("1.8.0_292", "11"), 0);
    EXPECT_EQ(compareVersions("17.0.02", "17_0-2"), 0);  // separators and leading zeros do not count
    EXPECT_LT(compareVersions("17", "17.0.1"), 0);
    EXPECT_LT(compareVersions("1.6.0-beta2", "1.6.0-beta10"), 0);  // digit runs inside a component
    EXPECT_GT(compareVersions("99999999999999999999999", "9999999999999999999999"), 0);  // no overflow
    EXPECT_EQ(versionComponentCount("21.0.1+12-LTS"), 5u);
    for (const char* good : {"9", "1.8", "1.8.0_292", "17.0.2+8", "21-ea"})
        EXPECT_TRUE(isVersionText(good)) << good;
    for (const char* bad : {"", "java17", "17.", "1..8", " 17", "17 ", "1.8/0", "-17"})
        EXPECT_FALSE(isVersionText(bad)) << bad;
}

TEST_F(VersionRules, PreReleaseMarkersNeedPermission)
{
    for (const char* version : {"1.7.0-ea", "1.6.0-rc", "1.6.0-beta2"}) {
        EXPECT_FALSE(isVersionAccepted(version, "", "", false)) << version;
        EXPECT_TRUE(isVersionAccepted(version, "", "", true)) << version;
    }
    EXPECT_TRUE(isVersionAccepted("1.6.0-EA", "", "", false));  // case-sensitive markers
    configStore().strings[130] = "1";
    EXPECT_TRUE(isVersionAccepted("1.7.0-ea", "", "", false));
    EXPECT_FALSE(isVersionAccepted("1.7.0-ea", "", "1.6", false));  // the limits still hold
}

TEST_F(VersionRules, KeyNamesCompareOverTheShorterString)
{
    EXPECT_TRUE(isKeyVersionInRange("1.6", "1.6.0_10", ""));
    EXPECT_TRUE(isKeyVersionInRange("1.6.0_20", "", "1.6"));
    EXPECT_FALSE(isKeyVersionInRange("1.6", "", "1.5"));
    EXPECT_FALSE(isKeyVersionInRange("1.4", "1.5", ""));
    EXPECT_TRUE(isKeyVersionInRange("1.7-ea", "", ""));
}

TEST_F(VersionRules, VersionLine)
{
    EXPECT_EQ(parsed("java version \"1.6.0_20\"\n"), "1.6.0_20");
    EXPECT_EQ(parsed("openjdk version \"1.8.0_292\""), "1.8.0_292");
    EXPECT_EQ(parsed("openjdk version \"17.0.2\" 2022-01-18\n"), "17.0.2");  // a date after the quote
    for (const char* odd : {"", "java version \"", "java version \"\"\n", "java version \"1.6.0_20\n",
                            "java version 1.6.0\n", " java version \"1.6\"", "Picked up X: -Xmx1g\n"})
        EXPECT_EQ(parsed(odd), "<none>") << odd;
    char small[4];
    EXPECT_FALSE(parseVersionLine("java version \"1.6.0\"", small, sizeof small));
}
