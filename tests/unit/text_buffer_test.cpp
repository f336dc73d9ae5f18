#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fs/text_buffer.h"

TEST(TextBuffer, CopyAndAppendNeverWritePastCapacity)
{
    char buf[8];
    std::memset(buf, 'X', sizeof buf);
    EXPECT_FALSE(copyBounded(buf, 5, "abcdefgh"));
    EXPECT_STREQ(buf, "abcd");
    EXPECT_EQ(buf[5], 'X');  // untouched beyond the capacity

    EXPECT_TRUE(copyBounded(buf, 5, "ab"));
    EXPECT_FALSE(appendBounded(buf, 5, "cdef"));
    EXPECT_STREQ(buf, "abcd");
    EXPECT_EQ(buf[5], 'X');
}

TEST(TextBuffer, FormatReportsCutting)
{
    char buf[6];
    EXPECT_TRUE(formatBounded(buf, sizeof buf, "%d-%s", 1, "ab"));
    EXPECT_STREQ(buf, "1-ab");
    EXPECT_FALSE(formatBounded(buf, sizeof buf, "%s", "abcdefgh"));
    EXPECT_STREQ(buf, "abcde");
}

TEST(TextBuffer, ReplaceFirstOnlyFirstOccurrence)
{
    char buf[64] = "a {0} b {0}";
    EXPECT_EQ(replaceFirst(buf, sizeof buf, "{0}", "X", false), ReplaceResult::Replaced);
    EXPECT_STREQ(buf, "a X b {0}");
    EXPECT_EQ(replaceFirst(buf, sizeof buf, "{9}", "X", false), ReplaceResult::NotFound);
}

TEST(TextBuffer, ReplaceThatDoesNotFitIsSkippedOrCut)
{
    char buf[12] = "ab{0}cd";
    std::string longArg(40, 'z');
    EXPECT_EQ(replaceFirst(buf, sizeof buf, "{0}", longArg.c_str(), false), ReplaceResult::TooLong);
    EXPECT_STREQ(buf, "ab{0}cd");
    EXPECT_EQ(replaceFirst(buf, sizeof buf, "{0}", longArg.c_str(), true), ReplaceResult::Cut);
    EXPECT_STREQ(buf, "abzzzzzzzcd");  // 11 characters: the tail is kept whole
}

TEST(TextBuffer, SplitListSkipsEmptyPieces)
{
    EXPECT_EQ(splitList(";a;;b c;"), (std::vector<std::string>{"a", "b c"}));
    EXPECT_EQ(splitList("only"), (std::vector<std::string>{"only"}));
    EXPECT_TRUE(splitList("").empty());
    EXPECT_TRUE(splitList(";;").empty());
}
