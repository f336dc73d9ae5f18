#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "process_state.h"
#include "fs/paths.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "payload/included_files.h"
#include "payload/load_payload.h"
#include "payload/scramble.h"
#include "payload/temp_dir.h"

namespace {

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Extraction : ::testing::Test {
    std::string dir;
    std::string launcher;
    const int64_t kOffset = 16;  // included files start here in the fake launcher
    LaunchState state;

    void SetUp() override
    {
        char name[] = "/tmp/kvell_ext_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        setenv("TMPDIR", dir.c_str(), 1);
        launcher = dir + "/app.exe";
        setenv("KVELL_LAUNCHER_PATH", launcher.c_str(), 1);
        resetProcessStateForTests();
        state = LaunchState();
        state.includedFilesOffset = kOffset;
    }
    void TearDown() override
    {
        ASSERT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
        unsetenv("TMPDIR");
        unsetenv("KVELL_LAUNCHER_PATH");
        resetProcessStateForTests();
    }

    // Writes the fake launcher: 16 bytes of anything, then the records.
    void writeLauncher(const std::vector<std::pair<int64_t, std::string>>& records, size_t cutAtEnd = 0)
    {
        std::string bytes(kOffset, 'P');
        for (const auto& [size, content] : records) {
            for (int i = 0; i < 8; ++i)
                bytes.push_back(static_cast<char>(static_cast<uint64_t>(size) >> (8 * i)));
            for (char c : content)
                bytes.push_back(static_cast<char>(c ^ static_cast<char>(kScrambleByte)));
        }
        bytes.resize(bytes.size() - cutAtEnd);
        std::ofstream(launcher, std::ios::binary) << bytes;
    }
    void configure(int count, const std::string& names)
    {
        configStore().strings[cfg::kIncludedFileCount] = std::to_string(count);
        configStore().strings[cfg::kIncludedFileNames] = names;
    }
    int entries(const std::string& path)
    {
        return std::system(("test -e '" + path + "'").c_str()) == 0 ? 1 : 0;
    }
};

} // namespace

TEST_F(Extraction, FilesAreDescrambledUnderTheirNames)
{
    std::string big(20000, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    writeLauncher({{5, "hello"}, {0, ""}, {static_cast<int64_t>(big.size()), big}, {3, "xyz"}});
    configure(3, "a.txt;;empty.bin;big.bin;extra.txt");
    ASSERT_EQ(extractIncludedFiles(state), 0);
    std::string target(state.extractionDir.c_str());
    EXPECT_EQ(target.rfind(dir + "/kvl", 0), 0u) << target;
    EXPECT_EQ(target.substr(target.size() - 4), "_dir");
    EXPECT_EQ(readAll(target + "/a.txt"), "hello");
    EXPECT_EQ(entries(target + "/empty.bin"), 0);  // size 0: no file
    EXPECT_EQ(readAll(target + "/big.bin"), big);
    EXPECT_EQ(entries(target + "/extra.txt"), 0);
    EXPECT_EQ(state.unextractedPosition, kOffset + 8 + 5 + 8 + 8 + static_cast<int64_t>(big.size()));
}

TEST_F(Extraction, NothingToExtract)
{
    configure(0, "a");
    state.extractionDir.assign("junk");
    EXPECT_EQ(extractIncludedFiles(state), 0);
    EXPECT_STREQ(state.extractionDir.c_str(), "");
    EXPECT_EQ(state.unextractedPosition, 0);
}

TEST_F(Extraction, ShortPayloadFailsAndLeavesNoDirectory)
{
    writeLauncher({{5, "hello"}, {100, std::string(100, 'q')}}, 30);
    configure(2, "a;b");
    EXPECT_EQ(extractIncludedFiles(state), kCopyReadFailed);
    EXPECT_EQ(entries(state.extractionDir.c_str()), 0);
}

TEST_F(Extraction, NamesThatAreNotPlainAreRefused)
{
    for (const char* bad : {"../evil", "sub/x", "c:x", "..", ".", "a\\b", "GOOD"}) {
        writeLauncher({{2, "ok"}, {4, "evil"}});
        configure(2, std::string("good;") + bad);
        EXPECT_EQ(extractIncludedFiles(state), kCopyWriteFailed) << bad;
        EXPECT_EQ(entries(state.extractionDir.c_str()), 0) << bad;
        EXPECT_EQ(entries(dir + "/evil"), 0) << bad;
    }
    // The host's 8-bit names are Latin-1.
    EXPECT_FALSE(mayExtractNames({"\xC4rger.jar", "\xE4rger.jar"}));
}

TEST(Descramble, WordAtATimeMatchesByteAtATime)
{
    std::vector<unsigned char> data(1027);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>(i * 31 + 5);
    std::vector<unsigned char> expected = data;
    for (auto& b : expected)
        b ^= kScrambleByte;
    descrambleBuffer(data.data() + 3, data.size() - 3);  // unaligned start
    for (size_t i = 0; i < 3; ++i)
        expected[i] ^= kScrambleByte;
    EXPECT_EQ(data, expected);
}

TEST(TempNames, SeparatorAddedOnlyWhenMissing)
{
    char out[kTextBufferSize];
    joinPath(out, sizeof out, "c:/temp/", "kvl_p1.tmp");
    EXPECT_STREQ(out, "c:/temp/kvl_p1.tmp");
    joinPath(out, sizeof out, "/tmp", "kvl_p1.tmp");
    EXPECT_STREQ(out, "/tmp/kvl_p1.tmp");
    EXPECT_TRUE(mayExtractNames({"jre.tar.gz"}));
    EXPECT_FALSE(mayExtractNames({""}));
}
