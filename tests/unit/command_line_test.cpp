#include <gtest/gtest.h>

#include "diag/errors.h"
#include "fs/command_line.h"
#include "launcher/switches.h"

namespace {
ArgList split(const WideChar* line)
{
    ArgList args;
    EXPECT_TRUE(trySplitCommandLine(line, args));
    return args;
}
} // namespace

TEST(SplitCommandLine, BlanksSeparateAndRunsGiveNoEmptyArguments)
{
    EXPECT_EQ(split(KW("program.exe  -q")), (ArgList{KW("program.exe"), KW("-q")}));
    EXPECT_EQ(split(KW("  a   b ")), (ArgList{KW("a"), KW("b")}));
    EXPECT_EQ(split(KW("a\tb")), (ArgList{KW("a\tb")}));  // tabs are ordinary characters
    EXPECT_TRUE(split(KW("")).empty());
}

TEST(SplitCommandLine, QuotesGroupWithoutEscapes)
{
    EXPECT_EQ(split(KW("'a b'")), (ArgList{KW("a b")}));
    EXPECT_EQ(split(KW("\"a b\"")), (ArgList{KW("a b")}));
    EXPECT_EQ(split(KW("x\"a b\"y")), (ArgList{KW("xa b"), KW("y")}));
    EXPECT_EQ(split(KW("-Dname=\"a b\" next")), (ArgList{KW("-Dname=a b"), KW("next")}));
    EXPECT_EQ(split(KW("\"\" z")), (ArgList{KW(""), KW("z")}));
    EXPECT_EQ(split(KW("'it\"s' x")), (ArgList{KW("it\"s"), KW("x")}));
    EXPECT_EQ(split(KW("\"C:\\dir\\\" x")), (ArgList{KW("C:\\dir\\"), KW("x")}));  // backslash is plain
    // The single quote comes first, so it groups, and the double quote inside is text.
    EXPECT_EQ(split(KW("a'b \"c' d")), (ArgList{KW("ab \"c"), KW("d")}));
}

TEST(SplitCommandLine, UnbalancedQuoteIsRefused)
{
    ArgList args;
    EXPECT_FALSE(trySplitCommandLine(KW("prog \"open"), args));
    args.clear();
    EXPECT_FALSE(trySplitCommandLine(KW("'x"), args));
}

namespace {
int attachCalls = 0;
bool attachOk()
{
    ++attachCalls;
    return true;
}
bool attachFails()
{
    ++attachCalls;
    return false;
}
struct Switches : ::testing::Test {
    LaunchState state;
    void SetUp() override
    {
        state = LaunchState();
        setMessageBoxErrors(true);
        attachCalls = 0;
    }
    void TearDown() override { SetUp(); }
};
} // namespace

TEST_F(Switches, OnlyWholeArgumentsCount)
{
    EXPECT_EQ(applySwitches(state, {KW("prog"), KW("-quiet"), KW("-Q"), KW("-Manual")}, attachOk), SwitchResult::Ok);
    EXPECT_FALSE(state.quiet);
    EXPECT_FALSE(state.manualJre);
    EXPECT_TRUE(messageBoxErrors());
    EXPECT_EQ(attachCalls, 0);

    applySwitches(state, {KW("-q")}, attachOk);  // also as the first argument
    EXPECT_TRUE(state.quiet);
    EXPECT_FALSE(messageBoxErrors());

    applySwitches(state, {KW("p"), KW("/manual")}, attachOk);
    EXPECT_TRUE(state.manualJre);
}

TEST_F(Switches, ConsoleAttachOrder)
{
    applySwitches(state, {KW("p"), KW("-console"), KW("-c")}, attachOk);
    EXPECT_EQ(attachCalls, 1);  // "-c" finds the console ready
    EXPECT_TRUE(state.quiet);

    attachCalls = 0;
    applySwitches(state, {KW("p"), KW("-c"), KW("-console")}, attachOk);
    EXPECT_EQ(attachCalls, 2);

    EXPECT_EQ(applySwitches(state, {KW("p"), KW("-c")}, attachFails), SwitchResult::NoConsole);
}
