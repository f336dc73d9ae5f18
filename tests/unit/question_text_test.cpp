#include "installer/question_text.h"

#include <gtest/gtest.h>

namespace {
WideString w(const char* text)
{
    return wideFromUtf8(text);
}

// The configured question is text, not a format: only "%S" is replaced.
TEST(QuestionText, OnlyPercentCapitalSIsReplacedAndLimitsFollowInParentheses)
{
    WideString question = w("Needs a %S-bit Java (100% sure, %s %d %n %%S).");
    EXPECT_EQ(buildQuestionText(question, "", "", w("min"), w("max")),
              w("Needs a 64-bit Java (100% sure, %s %d %n %64)."));
    EXPECT_EQ(buildQuestionText(w("Q"), "1.8", "", w("from"), w("up to")), w("Q (from 1.8)"));
    EXPECT_EQ(buildQuestionText(w("Q"), "", "17", w("from"), w("up to")), w("Q (up to 17)"));
    EXPECT_EQ(buildQuestionText(w("Q"), "11", "21", w("from"), w("up to")), w("Q (from 11, up to 21)"));
    EXPECT_EQ(buildQuestionText(w("trailing %"), "", "", w("a"), w("b")), w("trailing %"));
}
} // namespace
