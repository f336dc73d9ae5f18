#include <gtest/gtest.h>

#include <string>

#include "payload/config_store.h"

namespace {
struct ConfigStoreTest : ::testing::Test {
    void SetUp() override { configStore() = ConfigStore(); }
    void TearDown() override { configStore() = ConfigStore(); }
};
} // namespace

TEST_F(ConfigStoreTest, GetIntFollowsAtoi)
{
    auto& s = configStore().strings;
    s[1] = "12abc";
    s[2] = "abc";
    s[3] = " -3";
    s[4] = "";
    s[5] = "+7";
    s[6] = "99999999999999999999";
    EXPECT_EQ(getInt(1), 12);
    EXPECT_EQ(getInt(2), 0);
    EXPECT_EQ(getInt(3), -3);
    EXPECT_EQ(getInt(4), 0);
    EXPECT_EQ(getInt(5), 7);
    EXPECT_EQ(getInt(42), 0);  // absent
    EXPECT_EQ(getInt(6), 2147483647);
}

TEST_F(ConfigStoreTest, AbsentEntriesAreEmptyAndSpacesAreSeparate)
{
    configStore().strings[20013] = "not the title";
    char buf[16] = "junk";
    getString(7, buf, sizeof buf);
    EXPECT_STREQ(buf, "");
    WideChar wide[16] = {'j', 0};
    getWideString(20013, wide, 16);
    EXPECT_EQ(wide[0], 0);
}

TEST_F(ConfigStoreTest, LongValuesAreCutAtTheCapacity)
{
    configStore().strings[9] = std::string(9000, 'a');
    configStore().wides[9] = WideString(9000, 'b');
    char buf[8192 + 4];
    buf[8192] = 'G';
    getString(9, buf, 8192);
    EXPECT_EQ(std::string(buf).size(), 8191u);
    EXPECT_EQ(buf[8192], 'G');
    static WideChar wide[8192 + 4];
    wide[8192] = 'G';
    getWideString(9, wide);
    EXPECT_EQ(WideString(wide).size(), 8191u);
    EXPECT_EQ(wide[8192], 'G');
}
