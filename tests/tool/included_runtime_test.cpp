#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>

#include <gtest/gtest.h>
#include <zlib.h>

#include "payload/config_ids.h"
#include "test_support.h"
#include "tools/kvellpack/included_runtime.h"
#include "tools/kvellpack/payload_writer.h"
#include "tools/kvellpack/project_file.h"
#include "tools/kvellpack/runtime_archive.h"

using namespace kvellpack;
namespace fs = std::filesystem;

namespace {

struct TarMember {
    std::string name;
    char type = '0';
    std::string content;
};

Bytes gunzip(const Bytes& packed)
{
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, 15 + 16), Z_OK);
    z.next_in = const_cast<Bytef*>(packed.data());
    z.avail_in = static_cast<uInt>(packed.size());
    Bytes plain;
    int result = Z_OK;
    while (result == Z_OK) {
        unsigned char chunk[4096];
        z.next_out = chunk;
        z.avail_out = sizeof chunk;
        result = inflate(&z, Z_NO_FLUSH);
        plain.insert(plain.end(), chunk, chunk + (sizeof chunk - z.avail_out));
    }
    EXPECT_EQ(result, Z_STREAM_END);
    EXPECT_EQ(z.avail_in, 0u);
    inflateEnd(&z);
    return plain;
}

Bytes gzip(const Bytes& plain)
{
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
    Bytes packed(deflateBound(&z, plain.size()) + 32);
    z.next_in = const_cast<Bytef*>(plain.data());
    z.avail_in = static_cast<uInt>(plain.size());
    z.next_out = packed.data();
    z.avail_out = static_cast<uInt>(packed.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    packed.resize(z.total_out);
    deflateEnd(&z);
    return packed;
}

unsigned headerSum(const unsigned char* header)
{
    unsigned sum = 0;
    for (size_t i = 0; i < 512; ++i)
        sum += (i >= 148 && i < 156) ? ' ' : header[i];
    return sum;
}

size_t padded(size_t size)
{
    return (size + 511) / 512 * 512;
}

// The members of a tar, read as any tar reader does, up to the first zero block.
std::vector<TarMember> untar(const Bytes& tar)
{
    std::vector<TarMember> members;
    for (size_t at = 0; at + 512 <= tar.size();) {
        const unsigned char* header = &tar[at];
        if (std::all_of(header, header + 512, [](unsigned char b) { return b == 0; }))
            break;
        TarMember member;
        member.name.assign(reinterpret_cast<const char*>(header), strnlen(reinterpret_cast<const char*>(header), 100));
        EXPECT_EQ(std::memcmp(header + 257, "ustar\0" "00", 8), 0) << member.name;
        EXPECT_EQ(std::strtoul(reinterpret_cast<const char*>(header + 148), nullptr, 8), headerSum(header));
        member.type = static_cast<char>(header[156]);
        size_t size = std::strtoul(reinterpret_cast<const char*>(header + 124), nullptr, 8);
        EXPECT_LE(at + 512 + size, tar.size()) << member.name;
        member.content.assign(reinterpret_cast<const char*>(header + 512), size);
        members.push_back(member);
        at += 512 + padded(size);
    }
    return members;
}

// A tar as GNU tar writes it ("ustar  " magic, records of 10240 bytes), for
// archives that kvellpack only reads. A name may fill its whole field.
Bytes foreignTar(const std::vector<TarMember>& members)
{
    Bytes tar;
    for (const TarMember& member : members) {
        unsigned char header[512] = {0};
        std::memcpy(header, member.name.data(), std::min<size_t>(member.name.size(), 100));
        std::snprintf(reinterpret_cast<char*>(header + 100), 8, "%07o", member.type == '5' ? 0755 : 0644);
        std::snprintf(reinterpret_cast<char*>(header + 124), 12, "%011zo", member.content.size());
        std::snprintf(reinterpret_cast<char*>(header + 136), 12, "%011o", 1700000000);
        header[156] = static_cast<unsigned char>(member.type);
        std::memcpy(header + 257, "ustar  ", 8);
        std::snprintf(reinterpret_cast<char*>(header + 148), 8, "%06o", headerSum(header));
        tar.insert(tar.end(), header, header + 512);
        tar.insert(tar.end(), member.content.begin(), member.content.end());
        tar.resize(padded(tar.size()), 0);
    }
    tar.resize((tar.size() + 1024 + 10239) / 10240 * 10240, 0);
    return tar;
}

// tar with the raw 12-byte size field of the header at offset at, its checksum
// renewed.
Bytes withSizeField(Bytes tar, size_t at, const std::string& field)
{
    std::memcpy(&tar[at + 124], field.data(), 12);
    std::memset(&tar[at + 148], 0, 8);
    std::snprintf(reinterpret_cast<char*>(&tar[at + 148]), 8, "%06o", headerSum(&tar[at]));
    return tar;
}

struct IncludedRuntime : ScratchDir {
    Project project;
    std::string error;
    std::string note;

    void makeRuntime(const std::string& home)
    {
        fs::create_directories(path(home + "/bin/server"));
        fs::create_directories(path(home + "/lib/security"));  // empty, and packed all the same
        writeText(path(home + "/bin/java.exe"), "MZ java");
        writeText(path(home + "/bin/server/jvm.dll"), std::string(700, 'j'));  // more than one block
        writeText(path(home + "/lib/rt.jar"), "PK classes");
        writeText(path(home + "/release"), "JAVA_VERSION=\"17\"\n");
    }

    bool load(const std::string& toml)
    {
        project = Project();
        error.clear();
        return loadProjectText(toml, "p.toml", dir, &project, &error);
    }

    bool add() { return addIncludedRuntime(&project, path("scratch.tar.gz"), &note, &error); }

    // The project with its runtime, packed, and the included files read back.
    std::vector<Bytes> packAndReadBack(const std::string& toml, const std::string& out)
    {
        writeBytes(path("stub.exe"), makeFakePe());
        EXPECT_TRUE(load(toml)) << error;
        EXPECT_TRUE(add()) << error;
        PackResult result;
        EXPECT_TRUE(packLauncher(path("stub.exe"), project, path(out), &result, &error)) << error;
        ConfigStore store;
        PayloadLayout layout;
        EXPECT_EQ(readPayloadOf(path(out), &store, &layout), PayloadStatus::Ok);
        return readIncludedFiles(path(out), layout.includedFilesOffset, static_cast<int>(project.files.size()));
    }
};

}  // namespace

TEST_F(IncludedRuntime, ARuntimeDirectoryIsPackedAsATarOfItsFiles)
{
    makeRuntime("rt");
    writeText(path("app.jar"), "app");
    std::vector<Bytes> files = packAndReadBack("included_files = [\"app.jar\"]\nruntime_dir = \"rt\"\n", "out.exe");
    EXPECT_EQ(project.strings[cfg::kIncludedFileNames], "app.jar;jre.tar.gz");
    ASSERT_EQ(files.size(), 2u);

    Bytes tar = gunzip(files[1]);
    EXPECT_EQ(project.strings[cfg::kJreUncompressedSize], std::to_string(tar.size()));
    ASSERT_GE(tar.size(), 1024u);
    EXPECT_TRUE(std::all_of(tar.end() - 1024, tar.end(), [](unsigned char b) { return b == 0; }));
    std::vector<TarMember> members = untar(tar);
    std::vector<TarMember> expected = {
        {"bin/", '5', ""},
        {"bin/java.exe", '0', "MZ java"},
        {"bin/server/", '5', ""},
        {"bin/server/jvm.dll", '0', std::string(700, 'j')},
        {"lib/", '5', ""},
        {"lib/rt.jar", '0', "PK classes"},
        {"lib/security/", '5', ""},
        {"release", '0', "JAVA_VERSION=\"17\"\n"},
    };
    ASSERT_EQ(members.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(members[i].name, expected[i].name);
        EXPECT_EQ(members[i].type, expected[i].type) << expected[i].name;
        EXPECT_EQ(members[i].content, expected[i].content) << expected[i].name;
    }
    EXPECT_EQ(note, "jre.tar.gz from runtime_dir 'rt': 4 files, 4 directories, " + std::to_string(tar.size()) +
                        " bytes unpacked, " + std::to_string(files[1].size()) + " packed");
}

TEST_F(IncludedRuntime, TheSameTreePacksTheSameBytes)
{
    makeRuntime("a");
    // The same files, made in another order at other times.
    fs::create_directories(path("b/lib/security"));
    writeText(path("b/release"), "JAVA_VERSION=\"17\"\n");
    writeText(path("b/lib/rt.jar"), "PK classes");
    fs::create_directories(path("b/bin/server"));
    writeText(path("b/bin/server/jvm.dll"), std::string(700, 'j'));
    writeText(path("b/bin/java.exe"), "MZ java");
    for (const char* file : {"b/bin/java.exe", "b/lib/rt.jar", "b/bin/server"})
        fs::last_write_time(path(file), fs::file_time_type::clock::now() - std::chrono::hours(50));

    packAndReadBack("runtime_dir = \"a\"\n", "a.exe");
    packAndReadBack("runtime_dir = \"b\"\n", "b.exe");
    EXPECT_EQ(readBytes(path("a.exe")), readBytes(path("b.exe")));
    packAndReadBack("runtime_dir = \"a\"\n", "again.exe");
    EXPECT_EQ(readBytes(path("a.exe")), readBytes(path("again.exe")));
}

TEST_F(IncludedRuntime, DirectoriesThatCannotBePackedAreRefused)
{
    fs::create_directories(path("notrt/lib"));
    writeText(path("notrt/lib/rt.jar"), "PK");
    EXPECT_FALSE(load("runtime_dir = \"notrt\"\n"));
    EXPECT_EQ(error, "p.toml:1: runtime_dir 'notrt' is not a Java runtime: it has neither bin/java.exe nor bin/java");

    makeRuntime("rt");
    writeText(path("jre.tar.gz"), "x");
    EXPECT_FALSE(load("runtime_dir = \"rt\"\nruntime_archive = \"jre.tar.gz\"\n"));
    EXPECT_NE(error.find("'runtime_dir' and 'runtime_archive' both name the included runtime; set only one of them"),
              std::string::npos)
        << error;

    ASSERT_TRUE(load("included_files = [\"jre.tar.gz\"]\nruntime_dir = \"rt\"\n")) << error;
    EXPECT_FALSE(add());
    EXPECT_EQ(error, "p.toml:2: runtime_dir 'rt' is packed as jre.tar.gz, and included_files holds 'jre.tar.gz' too; "
                     "keep one of them");

    // 99 bytes is the longest name the launcher reads.
    std::string longest = "lib/" + std::string(95, 'n');
    writeText(path("rt/" + longest), "x");
    ASSERT_TRUE(load("runtime_dir = \"rt\"\n")) << error;
    EXPECT_TRUE(add()) << error;
    writeText(path("rt/" + longest + "x"), "x");
    ASSERT_TRUE(load("runtime_dir = \"rt\"\n")) << error;
    EXPECT_FALSE(add());
    EXPECT_EQ(error, "p.toml:1: runtime_dir 'rt': '" + longest + "x' is 100 bytes long as an archive name; the "
                     "launcher reads names of at most 99 bytes");
    EXPECT_FALSE(fs::exists(path("scratch.tar.gz")));
    fs::remove(path("rt/" + longest + "x"));

    fs::create_symlink("rt.jar", path("rt/lib/link.jar"));
    ASSERT_TRUE(load("runtime_dir = \"rt\"\n")) << error;
    EXPECT_FALSE(add());
    EXPECT_NE(error.find("'lib/link.jar' is a symbolic link"), std::string::npos) << error;
    fs::remove(path("rt/lib/link.jar"));

    // A name the launcher would refuse to unpack.
    writeText(path("rt/lib/a:b"), "x");
    ASSERT_TRUE(load("runtime_dir = \"rt\"\n")) << error;
    EXPECT_FALSE(add());
    EXPECT_EQ(error, "p.toml:1: runtime_dir 'rt': entry 'lib/a:b' holds a drive letter or stream name");
}

TEST_F(IncludedRuntime, AReadyArchiveIsCheckedAndMeasured)
{
    Bytes tar = foreignTar({{"bin/", '5', ""}, {"bin/java.exe", '0', "MZ"}, {"bin/javaw.exe", '1', ""},
                            {"lib/rt.jar.pack", '0', std::string(3000, 'p')}});
    ASSERT_EQ(tar.size(), 10240u);  // the stream's length, end blocks and padding included
    writeBytes(path("jre-17.tar.gz"), gzip(tar));
    ASSERT_TRUE(load("runtime_archive = \"jre-17.tar.gz\"\njre_pack200 = true\n")) << error;
    ASSERT_TRUE(add()) << error;
    ASSERT_EQ(project.files.size(), 1u);
    EXPECT_EQ(project.files[0].name, "jre.tar.gz");
    EXPECT_EQ(project.files[0].path, path("jre-17.tar.gz"));  // packed as it is
    EXPECT_EQ(project.strings[cfg::kJreUncompressedSize], "10240");
    ASSERT_EQ(project.warnings.size(), 1u);
    EXPECT_EQ(project.warnings[0], "runtime_archive 'jre-17.tar.gz': 1 link, which the launcher skips");

    // Concatenated gzip members read as one stream; a size set by the project
    // stays, with a warning, as does a Pack200 runtime without jre_pack200.
    Bytes halves = gzip(Bytes(tar.begin(), tar.begin() + 700));
    Bytes rest = gzip(Bytes(tar.begin() + 700, tar.end()));
    halves.insert(halves.end(), rest.begin(), rest.end());
    writeBytes(path("jre-17.tar.gz"), halves);
    ASSERT_TRUE(load("runtime_archive = \"jre-17.tar.gz\"\njre_uncompressed_size = 5\n")) << error;
    ASSERT_TRUE(add()) << error;
    EXPECT_EQ(project.strings[cfg::kJreUncompressedSize], "5");
    ASSERT_EQ(project.warnings.size(), 3u);
    EXPECT_EQ(project.warnings[0], "jre_uncompressed_size is 5, but the included runtime unpacks to 10240 bytes; "
                                   "the progress bar goes by 5");
    EXPECT_NE(project.warnings[1].find("holds lib/rt.jar.pack, but jre_pack200 is not set"), std::string::npos);

    // GNU's base-256 size, and a link whose name the launcher never uses, are
    // read as the launcher reads them.
    tar = foreignTar({{"bin/java.exe", '0', "MZ"}, {"../elsewhere", '2', ""}});
    writeBytes(path("jre-17.tar.gz"), gzip(withSizeField(tar, 0, std::string("\x80" "\0\0\0\0\0\0\0\0\0\0" "\x02", 12))));
    ASSERT_TRUE(load("runtime_archive = \"jre-17.tar.gz\"\n")) << error;
    EXPECT_TRUE(add()) << error;
}

TEST_F(IncludedRuntime, UnsafeOrDamagedArchivesAreRefused)
{
    const TarMember java{"bin/java.exe", '0', "MZ"};
    Bytes good = gzip(foreignTar({java}));
    Bytes bigJava = foreignTar({{"bin/java.exe", '0', std::string(2000, 'j')}});
    struct Case {
        Bytes archive;
        std::string why;
    } cases[] = {
        {gzip(foreignTar({java, {"../evil.dll", '0', "x"}})), "entry '../evil.dll' has a \".\" or \"..\" component"},
        {gzip(foreignTar({java, {"lib/./a/", '5', ""}})), "entry 'lib/./a/' has a \".\" or \"..\" component"},
        {gzip(foreignTar({java, {"lib//a", '0', "x"}})), "entry 'lib//a' has an empty component"},
        {gzip(foreignTar({java, {"/etc/a", '0', "x"}})), "entry '/etc/a' is absolute"},
        {gzip(foreignTar({java, {"C:a", '0', "x"}})), "entry 'C:a' holds a drive letter or stream name"},
        {gzip(foreignTar({java, {"lib\\a", '0', "x"}})), "entry 'lib\\a' has a component Windows cannot create"},
        {gzip(foreignTar({java, {std::string(100, 'n'), '0', "x"}})), "' fills its field without an end"},
        // The launcher reads no size of 2 GiB or more, whatever the entry.
        {gzip(withSizeField(foreignTar({java, {"bin/big", '2', ""}}), 1024, "20000000000 ")),
         "entry 'bin/big' has a size field the launcher refuses"},
        {gzip(foreignTar({{"././@LongLink", 'L', "lib/long"}, java})), "is a GNU long-name or pax header"},
        {gzip(foreignTar({{"jdk-17/bin/java.exe", '0', "MZ"}})), "no bin/java.exe or bin/java in it"},
        // The launcher skips the old type '\0' rather than unpack it.
        {gzip(foreignTar({{"bin/java.exe", '\0', "MZ"}})), "no bin/java.exe or bin/java in it"},
        {foreignTar({java}), "is not gzip-compressed"},
        {Bytes(good.begin(), good.end() - 12), "the gzip data ends early"},
        {gzip(Bytes(bigJava.begin(), bigJava.begin() + 1024)), "the tar data ends inside an entry"},
    };
    for (const Case& c : cases) {
        writeBytes(path("bad.tar.gz"), c.archive);
        ASSERT_TRUE(load("runtime_archive = \"bad.tar.gz\"\n")) << error;
        EXPECT_FALSE(add()) << c.why;
        EXPECT_EQ(error.rfind("p.toml:1: runtime_archive 'bad.tar.gz': ", 0), 0u) << error;
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
    }
}
