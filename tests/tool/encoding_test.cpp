#include <gtest/gtest.h>

#include "tools/kvellpack/cp1252.h"
#include "tools/kvellpack/entry_encoding.h"

using namespace kvellpack;

TEST(Cp1252, ConvertsAsciiLatin1AndTheWindowsExtras)
{
    std::string out, bad;
    ASSERT_TRUE(cp1252FromUtf8("aé€Ÿ‰ÿ\t", &out, &bad));
    EXPECT_EQ(out, std::string("a\xE9\x80\x9F\x89\xFF\t"));
    // The 27 characters Windows-1252 puts at 0x80..0x9F, in byte order.
    ASSERT_TRUE(cp1252FromUtf8("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ", &out, &bad));
    EXPECT_EQ(out, "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93\x94\x95\x96\x97\x98\x99"
                   "\x9A\x9B\x9C\x9E\x9F");
}

TEST(Cp1252, RefusesCharactersOutsideTheCodePage)
{
    std::string out, bad;
    EXPECT_FALSE(cp1252FromUtf8("ok Ω", &out, &bad));
    EXPECT_EQ(bad, "'Ω' (U+03A9)");
    // C1 controls have no Windows-1252 byte (0x81 is unassigned, 0x80 is the euro sign).
    EXPECT_FALSE(cp1252FromUtf8("\xC2\x81", &out, &bad));
    EXPECT_EQ(bad, "U+0081");
    EXPECT_FALSE(cp1252FromUtf8("\xC2\x80", &out, &bad));
    EXPECT_FALSE(cp1252FromUtf8("smile \xF0\x9F\x98\x80", &out, &bad));
    EXPECT_EQ(bad, "'\xF0\x9F\x98\x80' (U+1F600)");
}

TEST(Cp1252, EveryAssignedByteSurvivesTheWayToUtf8AndBack)
{
    const std::string unassigned = "\x81\x8D\x8F\x90\x9D";
    for (int byte = 1; byte < 256; ++byte) {
        std::string original(1, static_cast<char>(byte));
        std::string back, bad;
        bool ok = cp1252FromUtf8(utf8FromCp1252(original), &back, &bad);
        if (unassigned.find(original) != std::string::npos) {
            EXPECT_FALSE(ok) << byte;
        } else {
            EXPECT_TRUE(ok) << byte;
            EXPECT_EQ(back, original) << byte;
        }
    }
}

TEST(EntryEncoding, EightBitLimitCountsWindows1252Bytes)
{
    std::string out, error;
    // 8191 two-byte UTF-8 characters are 8191 bytes in Windows-1252: they fit.
    std::string longest;
    for (int i = 0; i < 8191; ++i)
        longest += "é";
    EXPECT_TRUE(encodeString(longest, 8191, &out, &error)) << error;
    EXPECT_EQ(out.size(), 8191u);
    EXPECT_FALSE(encodeString(longest + "x", 8191, &out, &error));
    EXPECT_EQ(error, "is 8192 characters long; the launcher takes at most 8191");
}
