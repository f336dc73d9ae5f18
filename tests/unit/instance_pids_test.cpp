// The recorded process ids: only a 4-byte value counts, everything else is "none".
#include <gtest/gtest.h>

#include "fs/registry.h"
#include "instance/instance_pids.h"
#include "process_state.h"
#include "registry_memory.h"

namespace {
struct InstancePids : ::testing::Test {
    void SetUp() override { resetProcessStateForTests(); }
    void TearDown() override { EXPECT_EQ(openRegistryKeysForTests(), 0); }
};

const char* const kPath = "c:\\setup\\install.exe";

TEST_F(InstancePids, OnlyAFourByteValueIsAnId)
{
    EXPECT_EQ(readInstancePid(kPath), 0u);  // no key
    writeInstancePid("c:\\other.exe", 7);
    EXPECT_EQ(readInstancePid(kPath), 0u);  // no value
    RegKey key;
    ASSERT_TRUE(regCreate(RegRoot::CurrentUser, kInstancePidsKey, &key));
    const unsigned char eight[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(regSetValue(key, kPath, 11, eight, sizeof eight));  // REG_QWORD
    EXPECT_EQ(readInstancePid(kPath), 0u);
    ASSERT_TRUE(regSetValue(key, kPath, kRegBinary, eight, 2));
    EXPECT_EQ(readInstancePid(kPath), 0u);
    // The type is not looked at: 4 bytes of any type are an id.
    ASSERT_TRUE(regSetValue(key, kPath, kRegBinary, "\x2a\x01\0\0", 4));
    EXPECT_EQ(readInstancePid(kPath), 0x12au);
}
} // namespace
