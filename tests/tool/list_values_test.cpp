#include <gtest/gtest.h>

#include "fs/wide.h"
#include "fs/command_line.h"
#include "tools/kvellpack/list_values.h"

using namespace kvellpack;

namespace {

std::vector<std::string> splitAsLauncher(const std::string& line)
{
    ArgList args;
    EXPECT_TRUE(trySplitCommandLine(wideFromUtf8(line).c_str(), args)) << line;
    std::vector<std::string> words;
    for (const WideString& arg : args)
        words.push_back(utf8FromWide(arg));
    return words;
}

std::string joined(ValueKind kind, const std::vector<std::string>& items)
{
    std::string out, error;
    EXPECT_TRUE(listFromItems(kind, items, &out, &error)) << error;
    return out;
}

std::string refusal(ValueKind kind, const std::vector<std::string>& items)
{
    std::string out, error;
    EXPECT_FALSE(listFromItems(kind, items, &out, &error)) << out;
    return error;
}

}  // namespace

TEST(WordList, JoinedWordsComeBackUnchangedFromTheLaunchersSplitter)
{
    std::vector<std::string> words = {"-Xmx512m", "-Dgreeting=hello world", "-Dq=\"x\"", "-Dit's=a b",
                                      "", "tab\there", "-Dsay=\"hi there\"", "ünï"};
    std::string line = joined(ValueKind::WordList, words);
    EXPECT_EQ(splitAsLauncher(line), words) << line;
}

TEST(WordList, WordsWithPlaceholdersStayWholeWhenTheyExpandToBlanks)
{
    std::string line = joined(ValueKind::WordList, {"-Dhome=${KVELL_EXEDIR}", "-Dtmp=%KVELL_TEMPDIR%", "-Xss1m"});
    EXPECT_EQ(line, "\"-Dhome=${KVELL_EXEDIR}\" \"-Dtmp=%KVELL_TEMPDIR%\" -Xss1m");
    // What the launcher splits after expanding them.
    std::string expanded = line;
    expanded.replace(expanded.find("${KVELL_EXEDIR}"), 15, "C:\\Program Files\\App\\");
    expanded.replace(expanded.find("%KVELL_TEMPDIR%"), 15, "C:\\Temp\\kvl 1.tmp_dir");
    EXPECT_EQ(splitAsLauncher(expanded), (std::vector<std::string>{"-Dhome=C:\\Program Files\\App\\",
                                                                    "-Dtmp=C:\\Temp\\kvl 1.tmp_dir", "-Xss1m"}));
}

TEST(WordList, WordWithBothKindsOfQuoteIsRefused)
{
    std::string error = refusal(ValueKind::WordList, {"-Da=\"b\"", "it's \"x\""});
    EXPECT_NE(error.find("both kinds of quote"), std::string::npos) << error;
}

TEST(WordList, TextWithAnUnclosedQuoteIsRefused)
{
    std::string out, error;
    EXPECT_TRUE(listFromText(ValueKind::WordList, "-Xmx1g \"-Da=b c\"", &out, &error));
    EXPECT_EQ(out, "-Xmx1g \"-Da=b c\"");
    EXPECT_FALSE(listFromText(ValueKind::WordList, "-Xmx1g \"-Da=b c", &out, &error));
    EXPECT_NE(error.find("not closed"), std::string::npos);
}

TEST(ClassPath, ItemsAreCheckedAndJoinedWithSemicolons)
{
    EXPECT_EQ(joined(ValueKind::ClassPath, {"A1lib\\app.jar", "S0lib", "E0EXTRA_CP", "D1"}),
              "A1lib\\app.jar;S0lib;E0EXTRA_CP;D1");
    // Without its flag "Alib.jar" would silently be the optional entry "ib.jar".
    EXPECT_NE(refusal(ValueKind::ClassPath, {"Alib.jar"}).find("needs 0 (optional) or 1"), std::string::npos);
    EXPECT_NE(refusal(ValueKind::ClassPath, {"X1lib.jar"}).find("unknown kind 'X'"), std::string::npos);
    EXPECT_NE(refusal(ValueKind::ClassPath, {"A"}).find("too short"), std::string::npos);
    EXPECT_NE(refusal(ValueKind::ClassPath, {"A1a.jar;b.jar"}).find("contains ';'"), std::string::npos);
    EXPECT_NE(refusal(ValueKind::ClassPath, {""}).find("an item is empty"), std::string::npos);
}

TEST(ClassPath, TextIsCheckedPieceByPieceAndKeptAsWritten)
{
    std::string out, error;
    EXPECT_TRUE(listFromText(ValueKind::ClassPath, "A1a.jar;;S0lib;", &out, &error)) << error;
    EXPECT_EQ(out, "A1a.jar;;S0lib;");
    EXPECT_FALSE(listFromText(ValueKind::ClassPath, "A1a.jar;Qlib", &out, &error));
}

TEST(SearchSequence, LettersAreChecked)
{
    EXPECT_EQ(joined(ValueKind::SearchSequence, {"Ejava_home", "Rjre", "B%ProgramFiles%\\Java", "S", "Y", "Aj"}),
              "Ejava_home;Rjre;B%ProgramFiles%\\Java;S;Y;Aj");
    EXPECT_NE(refusal(ValueKind::SearchSequence, {"Rjre", "rjre"}).find("unknown type 'r'"), std::string::npos);
    std::string out, error;
    EXPECT_FALSE(listFromText(ValueKind::SearchSequence, "Rjre;Qx", &out, &error));
}

TEST(SplitList, SkipsEmptyPiecesLikeTheLauncher)
{
    EXPECT_EQ(splitList(";a;;b;"), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(splitList("").empty());
}
