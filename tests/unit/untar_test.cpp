#include <gtest/gtest.h>
#include <zlib.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "process_state.h"
#include "diag/log.h"
#include "installer/progress.h"
#include "installer/untar_gz.h"
#include "payload/tar_header.h"

namespace fs = std::filesystem;

namespace {

struct Entry {
    Entry(std::string name, char type = '0', std::string data = "", std::string sizeField = "")
        : name(std::move(name)), type(type), data(std::move(data)), sizeField(std::move(sizeField))
    {
    }
    std::string name;
    char type;
    std::string data;
    std::string sizeField;  // 12 raw bytes; empty: the octal size of data
};

std::string header(const Entry& entry)
{
    std::string block(kTarBlockSize, '\0');
    block.replace(0, std::min(entry.name.size(), kTarNameSize), entry.name, 0, kTarNameSize);
    char size[13];
    std::snprintf(size, sizeof size, "%011o ", static_cast<unsigned>(entry.data.size()));
    block.replace(124, 12, entry.sizeField.empty() ? std::string(size, 12) : entry.sizeField);
    block[156] = entry.type;
    block.replace(257, 8, std::string("ustar\0" "00", 8));
    return block;
}

std::string tar(const std::vector<Entry>& entries, bool endBlocks = true)
{
    std::string bytes;
    for (const Entry& entry : entries) {
        bytes += header(entry) + entry.data;
        bytes.append((kTarBlockSize - entry.data.size() % kTarBlockSize) % kTarBlockSize, '\0');
    }
    if (endBlocks)
        bytes.append(2 * kTarBlockSize, '\0');
    return bytes;
}

// unfinished: the stream stops after the bytes, without its end and check sum.
std::string gzip(const std::string& bytes, bool unfinished = false)
{
    std::string out(compressBound(bytes.size()) + 64, '\0');
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);  // 16: a gzip wrapper
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, unfinished ? Z_SYNC_FLUSH : Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string pattern(size_t size)
{
    std::string text(size, '\0');
    for (size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>('a' + i % 23);
    return text;
}

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Untar : ::testing::Test {
    fs::path base, target, archive;

    void SetUp() override
    {
        char name[] = "/tmp/kvell_untar_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        base = name;
        target = base / "t";
        archive = base / "a.tar.gz";
        fs::create_directory(target);
        setenv("TMPDIR", base.c_str(), 1);
        setenv("TMP", base.c_str(), 1);  // the log's folder
        resetProcessStateForTests();
    }
    void TearDown() override
    {
        resetProcessStateForTests();
        unsetenv("TMPDIR");
        unsetenv("TMP");
        fs::remove_all(base);
    }
    bool untarBytes(const std::string& gz)
    {
        std::ofstream(archive, std::ios::binary) << gz;
        return untarGz(archive.c_str(), target.c_str(), nullptr, 0);
    }
    bool untar(const std::vector<Entry>& entries, bool endBlocks = true) { return untarBytes(gzip(tar(entries, endBlocks))); }
    // Every path below dir, relative, except the log.
    std::set<std::string> listing(const fs::path& dir)
    {
        std::set<std::string> names;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir)) {
            std::string name = fs::relative(entry.path(), dir).string();
            if (name.rfind("qmr_nlog_", 0) != 0)
                names.insert(name);
        }
        return names;
    }
};

TEST_F(Untar, ExtractsDirectoriesAndFilesSkippingOtherKinds)
{
    std::string java = pattern(1000), block = pattern(512);
    std::string base256("\x80\0\0\0\0\0\0\0\0\0\x02\0", 12);
    EXPECT_TRUE(untar({{"jre/", '5'},
                       {"jre/bin/", '5'},
                       {"jre/bin/java.exe", '0', java, std::string("1750\0\0\0\0\0\0\0\0", 12)},
                       {"jre/empty", '0', ""},
                       {"jre/link", '2', ""},
                       {"jre/hard", '1', ""},
                       {"././@PaxHeader", 'x', "30 path=jre/a-much-longer-name\n"},
                       {"././@LongLink", 'L', "jre/a-much-longer-name" + std::string(200, 'n')},
                       {"jre/old", '\0', "old regular-file type"},
                       {"jre/block", '0', block, base256}}));
    EXPECT_EQ(listing(target), (std::set<std::string>{"jre", "jre/bin", "jre/bin/java.exe", "jre/empty", "jre/block"}));
    EXPECT_EQ(readAll(target / "jre/bin/java.exe"), java);
    EXPECT_EQ(readAll(target / "jre/block"), block);
    EXPECT_EQ(fs::file_size(target / "jre/empty"), 0u);
}

TEST_F(Untar, ManyFilesLargeAndSmallComeOutWhole)
{
    // Several megabytes in files from empty to larger than all the buffering
    // between reading and writing, each with its own bytes.
    std::vector<Entry> entries{{"d/", '5'}};
    for (size_t i = 0; i < 120; ++i) {
        size_t size = i % 20 == 0 ? 700000 + i : (i * i * 37) % 20000;
        std::string data(size, '\0');
        for (size_t j = 0; j < size; ++j)
            data[j] = static_cast<char>((j * 31 + i) % 251);
        entries.push_back({"d/f" + std::to_string(i), '0', data});
    }
    ASSERT_TRUE(untar(entries));
    for (size_t i = 1; i < entries.size(); ++i) {
        SCOPED_TRACE(entries[i].name);
        EXPECT_TRUE(readAll(target / entries[i].name) == entries[i].data);
    }
}

TEST_F(Untar, ArchiveWithoutEndBlocksEndsAfterItsLastFile)
{
    // The stream ends right after the last padding: that header read gives
    // nothing, and the last file must not be taken again from an old header.
    std::string last = pattern(700);
    EXPECT_TRUE(untar({{"a", '0', "first"}, {"b", '0', last}}, false));
    EXPECT_EQ(readAll(target / "a"), "first");
    EXPECT_EQ(readAll(target / "b"), last);
}

TEST_F(Untar, FailsWithoutRegularFiles)
{
    EXPECT_FALSE(untar({{"jre/", '5'}, {"jre/link", '2', ""}}));
    EXPECT_FALSE(untar({}));
    EXPECT_FALSE(untarBytes(gzip("")));
    EXPECT_FALSE(untarBytes(gzip(pattern(2000))));  // no ustar magic
    EXPECT_FALSE(untarGz((base / "missing.tar.gz").c_str(), target.c_str(), nullptr, 0));
}

TEST_F(Untar, TruncatedArchivesFail)
{
    // a: header 0, data 512..1512, padding ..1536; x (skipped): header 1536,
    // data 2048..2648, padding ..3072; b: header 3072, data 3584..3588, padding ..4096.
    std::string whole = tar({{"a", '0', pattern(1000)}, {"x", 'x', pattern(600)}, {"b", '0', "tail"}}, false);
    ASSERT_EQ(whole.size(), 4096u);
    ASSERT_TRUE(untarBytes(gzip(whole)));
    for (size_t cut : {300, 1000, 1520, 1800, 2300, 3000, 3300, 3586, 3800}) {
        SCOPED_TRACE(cut);
        EXPECT_FALSE(untarBytes(gzip(whole.substr(0, cut))));
    }
    // The gzip stream cut where an entry ends: only zlib can tell.
    EXPECT_FALSE(untarBytes(gzip(whole.substr(0, 1536), true)));
}

TEST_F(Untar, RefusedNamesFailAndWriteNothingOutside)
{
    std::string absolute = (base / "evil").string();
    for (std::string name : {absolute, std::string("../evil"), std::string("sub/../../evil"), std::string("./evil"),
                             std::string("sub//evil"), std::string("c:evil"), std::string("sub/evil:stream"),
                             std::string(""), std::string(100, 'e'), std::string("evil/")}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(untar({{"sub/", '5'}, {"ok", '0', "ok"}, {name, '0', "evil"}}));
        EXPECT_EQ(listing(base), (std::set<std::string>{"a.tar.gz", "t", "t/sub", "t/ok"}));
    }
    EXPECT_FALSE(untar({{"ok", '0', "ok"}, {"../evil/", '5'}}));
    EXPECT_FALSE(fs::exists(base / "evil"));
}

TEST_F(Untar, FileThatCannotBeCreatedIsFatal)
{
    std::ofstream(archive, std::ios::binary) << gzip(tar({{"no-such-dir/x", '0', "x"}}));
    EXPECT_EXIT(untarGz(archive.c_str(), target.c_str(), nullptr, 0), ::testing::ExitedWithCode(1),
                "Could not open file no-such-dir/x");
}

TEST_F(Untar, FileThatCannotBeWrittenEndsTheWorkThere)
{
    // /dev/full takes no bytes. Extraction stops at that file: nothing after it
    // is created or logged, even what was read before the failure came out,
    // and no file is left open.
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    fs::create_symlink("/dev/full", target / "full");
    logInfo("start");
    size_t descriptors = std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
    EXPECT_FALSE(untar({{"a", '0', "first"}, {"full", '0', pattern(1000)}, {"b", '0', "after"}, {"later/", '5'}}));
    EXPECT_EQ(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()), descriptors);
    EXPECT_EQ(readAll(target / "a"), "first");
    EXPECT_FALSE(fs::exists(target / "b") || fs::exists(target / "later"));
    std::string log = readAll(logFilePath());
    EXPECT_NE(log.find("start\nextracting a (size 5)\nextracting full (size 1000)\nERROR: stream error\n"
                       "ERROR: extract file failed\nERROR: untaring JRE was unsuccessful\n"),
              std::string::npos)
        << log;
}

TEST(TarHeader, SizeFieldForms)
{
    struct Case {
        std::string field;
        bool ok;
        int32_t size;
    };
    for (const Case& c : std::vector<Case>{
             {"00000001750 ", true, 1000},
             {std::string("1750\0\0\0\0\0\0\0\0", 12), true, 1000},
             {std::string("     1750\0  ", 12), true, 1000},
             {"0001750 7777", true, 1000},  // a blank ends the number
             {std::string(12, '\0'), true, 0},
             {"00000001790 ", false, 0},
             {"0000000175x ", false, 0},
             {"17777777777 ", true, INT32_MAX},
             {"20000000000 ", false, 0},
             {"777777777777", false, 0},
             {std::string("\x80\0\0\0\0\0\0\0\0\0\x03\xe8", 12), true, 1000},
             {std::string("\x80\0\0\0\0\0\0\0\x80\0\0\0", 12), false, 0},
             {std::string(12, '\xff'), false, 0},  // negative
         }) {
        SCOPED_TRACE(c.field);
        std::string block = header({"f", '0', "", c.field});
        int32_t size = -1;
        EXPECT_EQ(parseTarSize(reinterpret_cast<const unsigned char*>(block.data()), &size), c.ok);
        if (c.ok) {
            EXPECT_EQ(size, c.size);
        }
    }
}

TEST(TarHeader, NameRule)
{
    struct Case {
        std::string name;
        bool directory;
        TarNameFault fault;
        std::string path;
    };
    for (const Case& c : std::vector<Case>{
             {"jre/bin/java.exe", false, TarNameFault::None, "jre\\bin\\java.exe"},
             {"jre/bin/", true, TarNameFault::None, "jre\\bin"},
             {std::string(99, 'n'), false, TarNameFault::None, std::string(99, 'n')},
             {std::string(100, 'n'), false, TarNameFault::NoEnd, ""},
             {"jre/bin/", false, TarNameFault::EmptyComponent, ""},
             {"jre//bin", true, TarNameFault::EmptyComponent, ""},
             {"", true, TarNameFault::Empty, ""},
             {"/etc/passwd", false, TarNameFault::Absolute, ""},
             {"\\windows", false, TarNameFault::Absolute, ""},
             {"c:x", false, TarNameFault::DriveOrStream, ""},
             {"jre/x:stream", false, TarNameFault::DriveOrStream, ""},
             {"jre/./x", false, TarNameFault::DotComponent, ""},
             {"jre/..", true, TarNameFault::DotComponent, ""},
             {"jre\\..\\..\\x", false, TarNameFault::NotWindowsName, ""},
             {"jre/.. /x", false, TarNameFault::NotWindowsName, ""},
             {"jre/x.", false, TarNameFault::NotWindowsName, ""},
             {"jre/nul.txt", false, TarNameFault::NotWindowsName, ""},
         }) {
        SCOPED_TRACE(c.name);
        std::string block = header({c.name});
        char path[kTarNameSize + 1] = "";
        EXPECT_EQ(tarEntryName(reinterpret_cast<const unsigned char*>(block.data()), c.directory, '\\', path), c.fault);
        if (c.fault == TarNameFault::None) {
            EXPECT_EQ(path, c.path);
        }
    }
}

TEST(UntarProgress, PositionStaysWithinOneToHundred)
{
    EXPECT_EQ(progressPosition(0, 0), 1);
    EXPECT_EQ(progressPosition(5000, 0), 1);
    EXPECT_EQ(progressPosition(5000, -1), 1);
    EXPECT_EQ(progressPosition(0, 1000), 1);
    EXPECT_EQ(progressPosition(9, 1000), 1);
    EXPECT_EQ(progressPosition(505, 1000), 50);
    EXPECT_EQ(progressPosition(999, 1000), 99);
    EXPECT_EQ(progressPosition(3000, 1000), 100);
    EXPECT_EQ(progressPosition(INT64_MAX / 2, INT64_MAX), 50);
    EXPECT_EQ(progressPosition(INT64_MAX, 3), 100);
}

} // namespace
