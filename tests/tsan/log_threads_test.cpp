// Many threads write the log at once, from its very first line on (so they also
// race to create it), while others ask for its path.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "process_state.h"
#include "diag/log.h"

namespace {

namespace fs = std::filesystem;

TEST(LogThreads, EveryLineWholeInOneLog)
{
    char name[] = "/tmp/kvell_log_threads_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    std::string dir = name;
    setenv("TMP", dir.c_str(), 1);
    unsetenv("KVELL_LOG");
    unsetenv("QUILLMERE_LOG");
    resetProcessStateForTests();

    constexpr int kThreads = 8;
    constexpr int kLines = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                if (i % 2 == 0)
                    logInfo("thread %d line %d of a line long enough to be written in pieces", t, i);
                else
                    logError("thread %d line %d", t, i);
                if (i % 10 == 0)
                    logFilePath();
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    std::vector<fs::path> logs;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir))
        logs.push_back(entry.path());
    ASSERT_EQ(logs.size(), 1u);
    ASSERT_STREQ(logFilePath(), logs[0].string().c_str());
    std::ifstream in(logs[0]);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line.rfind("Started executable ", 0), 0u) << line;
    std::set<std::string> seen;
    while (std::getline(in, line)) {
        if (!line.empty())
            EXPECT_TRUE(seen.insert(line).second) << "twice: " << line;
    }
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kLines; ++i) {
            std::string expected = i % 2 == 0 ? "thread " + std::to_string(t) + " line " + std::to_string(i) +
                                                    " of a line long enough to be written in pieces"
                                              : "ERROR: thread " + std::to_string(t) + " line " + std::to_string(i);
            EXPECT_EQ(seen.count(expected), 1u) << expected;
        }
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kLines));

    resetProcessStateForTests();
    fs::remove_all(dir);
    unsetenv("TMP");
}

}  // namespace
