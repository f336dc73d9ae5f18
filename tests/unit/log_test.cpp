#include <gtest/gtest.h>

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "process_state.h"
#include "diag/log.h"

namespace {

std::string readAll(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

struct LogTest : ::testing::Test {
    std::string dir;
    void SetUp() override
    {
        char name[] = "/tmp/kvell_log_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        setenv("TMP", dir.c_str(), 1);
        unsetenv("KVELL_LOG");
        unsetenv("QUILLMERE_LOG");
        resetProcessStateForTests();
    }
    void TearDown() override
    {
        resetProcessStateForTests();
        std::string cmd = "rm -rf '" + dir + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        unsetenv("KVELL_LOG");
        unsetenv("QUILLMERE_LOG");
    }
    std::vector<std::string> files()
    {
        std::vector<std::string> names;
        DIR* d = opendir(dir.c_str());
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] != '.')
                names.push_back(e->d_name);
        }
        closedir(d);
        return names;
    }
};

} // namespace

TEST_F(LogTest, HeaderThenOneLinePerCall)
{
    logInfo("Init");
    logError("Could not open %s", "x.exe");
    logInfo("%s", "100% literal");
    std::string path = logFilePath();
    EXPECT_EQ(path.rfind(dir + "/qmr_nlog_", 0), 0u);
    std::string text = readAll(path);
    EXPECT_EQ(text.rfind("Started executable ", 0), 0u);
    size_t at = text.find(" at ");
    ASSERT_NE(at, std::string::npos);
    // ctime's own newline leaves an empty second line.
    EXPECT_NE(text.find("\n\nInit\nERROR: Could not open x.exe\n100% literal\n"), std::string::npos) << text;
}

TEST_F(LogTest, DeletedAtExitUnlessKeptOrRequested)
{
    logInfo("x");
    std::string path = logFilePath();  // hands the path out: kept
    logExitCleanup();
    EXPECT_TRUE(exists(path));

    resetProcessStateForTests();
    unlink(path.c_str());
    logInfo("y");
    ASSERT_EQ(files().size(), 1u);
    logExitCleanup();
    EXPECT_TRUE(files().empty());
    logInfo("after the clean-up");  // must not bring the log back
    EXPECT_TRUE(files().empty());

    for (const char* value : {"YES", "1", "yes "}) {
        resetProcessStateForTests();
        setenv("KVELL_LOG", value, 1);
        logInfo("z");
        logExitCleanup();
        EXPECT_TRUE(files().empty()) << value;
    }
    unsetenv("KVELL_LOG");

    for (const char* variable : {"KVELL_LOG", "QUILLMERE_LOG"}) {
        resetProcessStateForTests();
        setenv(variable, "yes", 1);
        logInfo("kept");
        logExitCleanup();
        EXPECT_EQ(files().size(), 1u) << variable;
        unsetenv(variable);
        std::string cmd = "rm -f '" + dir + "'/qmr_nlog_*";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
}

TEST_F(LogTest, LinesGoToTheFileOpenedFirstNeverToOneSwappedIn)
{
    logInfo("first");
    std::string path = logFilePath();
    ASSERT_EQ(rename(path.c_str(), (path + ".moved").c_str()), 0);
    {
        std::ofstream swapped(path);
    }
    logInfo("second");
    EXPECT_EQ(readAll(path), "");
    EXPECT_NE(readAll(path + ".moved").find("first\nsecond\n"), std::string::npos);
}

TEST_F(LogTest, NeverTruncatesSomeoneElsesFile)
{
    std::string taken = dir + "/qmr_nlog_" + std::to_string(getpid());
    {
        std::ofstream out(taken);
        out << "precious";
    }
    logInfo("mine");
    std::string path = logFilePath();
    EXPECT_NE(path, taken);
    EXPECT_EQ(readAll(taken), "precious");
    EXPECT_NE(readAll(path).find("mine"), std::string::npos);
}

TEST_F(LogTest, MissingTmpDirectoryFallsBackToTheDefault)
{
    setenv("TMP", (dir + "/missing").c_str(), 1);
    logInfo("x");
    std::string path = logFilePath();
    EXPECT_EQ(path.rfind("/tmp/qmr_nlog_", 0), 0u) << path;
    unlink(path.c_str());
}
