// The version rules: byte-wise prefix limits, the pre-release rule, the looser
// test on registry key names, and the version line of "-version" output.
#include <gtest/gtest.h>

#include <string>

#include "fs/text_buffer.h"
#include "jvm/version_rules.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

namespace {
struct VersionRules : ::testing::Test {
    void SetUp() override { configStore() = ConfigStore(); }
    void TearDown() override { configStore() = ConfigStore(); }
};

bool accepted(const char* version, const char* minimum, const char* maximum, bool allowBeta = false)
{
    return isVersionAccepted(version, minimum, maximum, allowBeta);
}

std::string parsed(const char* line)
{
    char version[kTextBufferSize] = "untouched";
    return parseVersionLine(line, version, sizeof version) ? std::string(version) : std::string("<none>");
}
} // namespace

TEST_F(VersionRules, LimitsAreInclusivePrefixes)
{
    EXPECT_TRUE(accepted("1.5.0_22", "1.5", "1.6"));
    EXPECT_TRUE(accepted("1.6.0_45", "1.5", "1.6"));
    EXPECT_TRUE(accepted("1.5", "1.5", "1.6"));
    EXPECT_TRUE(accepted("1.6", "1.5", "1.6"));
    EXPECT_FALSE(accepted("1.4.2_19", "1.5", "1.6"));
    EXPECT_FALSE(accepted("1.7.0", "1.5", "1.6"));
    // A version shorter than the minimum compares its end as a zero byte.
    EXPECT_FALSE(accepted("1.6", "1.6.0_10", ""));
    EXPECT_TRUE(accepted("1.6.0_10", "1.6.0_10", "1.6.0_10"));
    EXPECT_FALSE(accepted("1.6.0_11", "", "1.6.0_10"));
}

TEST_F(VersionRules, BytesNotNumbers)
{
    EXPECT_FALSE(accepted("1.10.0", "1.6", ""));  // "1.1" sorts below "1.6"
    EXPECT_TRUE(accepted("9", "1.8", ""));
    EXPECT_TRUE(accepted("11.0.2", "1.8", ""));    // '1' then '1' > '.'
    EXPECT_FALSE(accepted("11.0.2", "", "1.8"));
}

TEST_F(VersionRules, EmptyLimitsAcceptAnyReleaseVersion)
{
    EXPECT_TRUE(accepted("1.0.0", "", ""));
    EXPECT_TRUE(accepted("17.0.2", "", ""));
    EXPECT_TRUE(accepted("", "", ""));
    EXPECT_FALSE(accepted("", "1.5", ""));
}

TEST_F(VersionRules, PreReleaseMarkersNeedPermission)
{
    for (const char* version : {"1.7.0-ea", "1.6.0-rc", "1.6.0-beta2", "9-ea+181"}) {
        EXPECT_FALSE(accepted(version, "", "")) << version;
        EXPECT_TRUE(accepted(version, "", "", true)) << version;
    }
    // The markers are case-sensitive substrings.
    EXPECT_TRUE(accepted("1.6.0-EA", "", ""));
    EXPECT_TRUE(accepted("1.6.0-Beta", "", ""));

    configStore().strings[cfg::kAllowPreRelease] = "1";
    EXPECT_TRUE(accepted("1.7.0-ea", "", ""));
    // Permission does not lift the limits.
    EXPECT_FALSE(accepted("1.7.0-ea", "", "1.6"));
}

TEST_F(VersionRules, KeyNamesCompareOverTheShorterString)
{
    EXPECT_TRUE(isKeyVersionInRange("1.6", "1.6.0_10", ""));  // a prefix of the minimum
    EXPECT_TRUE(isKeyVersionInRange("1.6.0_20", "", "1.6"));
    EXPECT_TRUE(isKeyVersionInRange("1.5.0_22", "", "1.5"));
    EXPECT_FALSE(isKeyVersionInRange("1.6", "", "1.5"));
    EXPECT_FALSE(isKeyVersionInRange("1.6.0_20", "", "1.5"));
    EXPECT_FALSE(isKeyVersionInRange("1.4", "1.5", ""));
    EXPECT_TRUE(isKeyVersionInRange("1.7-ea", "", ""));  // no pre-release rule here
    EXPECT_TRUE(isKeyVersionInRange("", "1.5", "1.6"));
}

TEST_F(VersionRules, VersionLineForms)
{
    EXPECT_EQ(parsed("java version \"1.6.0_20\"\n"), "1.6.0_20");
    EXPECT_EQ(parsed("openjdk version \"1.8.0_292\"\n"), "1.8.0_292");
    // Newer runtimes print a date after the quoted version.
    EXPECT_EQ(parsed("openjdk version \"17.0.2\" 2022-01-18\n"), "17.0.2");
    EXPECT_EQ(parsed("java version \"21.0.1\" 2023-10-17 LTS\r\n"), "21.0.1");
    EXPECT_EQ(parsed("java version \"1.6.0_20\""), "1.6.0_20");  // no line end
}

TEST_F(VersionRules, OddVersionLinesGiveNoVersion)
{
    EXPECT_EQ(parsed(""), "<none>");
    EXPECT_EQ(parsed("\n"), "<none>");
    EXPECT_EQ(parsed("java version \""), "<none>");
    EXPECT_EQ(parsed("java version \"\"\n"), "<none>");
    EXPECT_EQ(parsed("java version \"1.6.0_20\n"), "<none>");  // not closed (a cut line)
    EXPECT_EQ(parsed("java version 1.6.0\n"), "<none>");
    EXPECT_EQ(parsed("Java version \"1.6.0\"\n"), "<none>");
    EXPECT_EQ(parsed(" java version \"1.6.0\"\n"), "<none>");
    EXPECT_EQ(parsed("Picked up _JAVA_OPTIONS: -Xmx1g\n"), "<none>");

    char small[4];
    EXPECT_FALSE(parseVersionLine("java version \"1.6.0\"", small, sizeof small));  // does not fit
}
