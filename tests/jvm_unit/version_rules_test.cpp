// The version rules: byte-wise inclusive prefix limits, the pre-release rule, the
// looser test on registry key names, and the version line of "-version" output.
#include <gtest/gtest.h>

#include <string>

#include "fs/text_buffer.h"
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

TEST_F(VersionRules, LimitsAreInclusivePrefixesComparedAsBytes)
{
    EXPECT_TRUE(isVersionAccepted("1.5.0_22", "1.5", "1.6", false));
    EXPECT_TRUE(isVersionAccepted("1.6.0_45", "1.5", "1.6", false));
    EXPECT_TRUE(isVersionAccepted("1.5", "1.5", "1.5", false));
    EXPECT_FALSE(isVersionAccepted("1.4.2_19", "1.5", "1.6", false));
    EXPECT_FALSE(isVersionAccepted("1.7.0", "1.5", "1.6", false));
    EXPECT_FALSE(isVersionAccepted("1.6", "1.6.0_10", "", false));  // the shorter version ends in a zero byte
    EXPECT_FALSE(isVersionAccepted("1.10.0", "1.6", "", false));    // "1.1" sorts below "1.6"
    EXPECT_TRUE(isVersionAccepted("11.0.2", "1.8", "", false));
    EXPECT_TRUE(isVersionAccepted("1.0.0", "", "", false));         // empty limits do not restrict
    EXPECT_FALSE(isVersionAccepted("", "1.5", "", false));
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
