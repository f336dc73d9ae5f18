#include <cstdint>
#include <filesystem>

#include <gtest/gtest.h>

#include "payload/config_ids.h"
#include "test_support.h"
#include "tools/kvellpack/included_runtime.h"
#include "tools/kvellpack/launcher_contents.h"
#include "tools/kvellpack/payload_writer.h"
#include "tools/kvellpack/project_file.h"
#include "tools/kvellpack/report.h"

using namespace kvellpack;

namespace {

struct Inspect : ScratchDir {
    LauncherContents contents;
    std::string error;

    void packProject(const std::string& toml, const std::string& out = "out.exe")
    {
        writeBytes(path("stub.exe"), makeFakePe());
        Project project;
        ASSERT_TRUE(loadProjectText(toml, "p.toml", dir, &project, &error)) << error;
        PackResult result;
        ASSERT_TRUE(packLauncher(path("stub.exe"), project, path(out), &result, &error)) << error;
    }

    bool read(const std::string& name)
    {
        contents = LauncherContents();
        return readLauncher(path(name), &contents, &error);
    }
};

}  // namespace

TEST_F(Inspect, ReportsEntriesByNameAndFilesWithTheirSizes)
{
    writeText(path("app.jar"), "twelve bytes");
    writeText(path("jre.tar.gz"), "runtime");
    packProject(R"(
        min_version = "11"
        search_sequence = ["Rjre", "M", "EJAVA_HOME"]
        app_title = "Grüße"
        included_files = ["app.jar", "jre.tar.gz"]
        [messages]
        caption = "Fehler €"
        [raw.strings]
        4711 = "say \"hi\""
    )");
    ASSERT_TRUE(read("out.exe")) << error;
    ASSERT_EQ(contents.records.size(), 2u);
    EXPECT_EQ(contents.records[1].name, "jre.tar.gz");
    EXPECT_EQ(contents.records[1].size, 7);
    EXPECT_EQ(contents.recordsEnd, contents.fileSize);

    std::string report = describeLauncher("out.exe", contents);
    for (const char* expected : {
             "String entries: 6\n",
             "           R: the Java home \"jre\" (relative to the launcher's directory)\n"
             "           M: the runtimes installed on the machine: JavaSoft keys of Java 9+, vendor keys, vendor "
             "folders under Program Files; the highest version\n"
             "           E: the Java home in the environment variable \"JAVA_HOME\"\n",
             "  1000   messages.caption                     \"Fehler €\"\n",
             "  2003   included_files (names)               \"app.jar;jre.tar.gz\"\n",
             "  4711   raw.strings.4711                     \"say \\\"hi\\\"\"\n",
             "  20013  app_title                            \"Grüße\"\n",
             "  app.jar                                  12 bytes\n",
         })
        EXPECT_NE(report.find(expected), std::string::npos) << expected << "\n--- in ---\n" << report;
}

TEST_F(Inspect, ReportsTheIncludedRuntimeFromItsRecord)
{
    std::filesystem::create_directories(path("rt/bin"));
    std::filesystem::create_directories(path("rt/lib"));
    writeText(path("rt/bin/java.exe"), "MZ");
    writeText(path("rt/lib/rt.jar"), "PK");
    writeText(path("rt/release"), "17");
    auto packWithRuntime = [&](const std::string& toml) {
        writeBytes(path("stub.exe"), makeFakePe());
        Project project;
        std::string note;
        ASSERT_TRUE(loadProjectText(toml, "p.toml", dir, &project, &error)) << error;
        ASSERT_TRUE(addIncludedRuntime(&project, path("scratch"), &note, &error)) << error;
        PackResult result;
        ASSERT_TRUE(packLauncher(path("stub.exe"), project, path("out.exe"), &result, &error)) << error;
    };
    packWithRuntime("runtime_dir = \"rt\"\n");
    ASSERT_TRUE(read("out.exe")) << error;
    ASSERT_TRUE(contents.hasRuntime);
    std::string report = describeLauncher("out.exe", contents);
    // 5 headers, 3 blocks of file data and 2 end blocks of 512 bytes.
    std::string expected = "Included runtime jre.tar.gz: " + std::to_string(contents.records[0].size) +
                           " bytes compressed, 5120 bytes unpacked, 5 entries (3 files, 2 directories)\n";
    EXPECT_NE(report.find(expected), std::string::npos) << report;
    EXPECT_EQ(report.find("entry 151"), std::string::npos) << report;

    // Entry 151 set by hand, or no archive at all behind the name.
    packWithRuntime("runtime_dir = \"rt\"\njre_uncompressed_size = 100\n");
    ASSERT_TRUE(read("out.exe")) << error;
    report = describeLauncher("out.exe", contents);
    EXPECT_NE(report.find("  entry 151 (jre_uncompressed_size) is \"100\", not the unpacked size\n"), std::string::npos)
        << report;
    writeText(path("jre.tar.gz"), "runtime");
    packProject("included_files = [\"jre.tar.gz\"]\n");
    ASSERT_TRUE(read("out.exe")) << error;
    report = describeLauncher("out.exe", contents);
    EXPECT_NE(report.find("Included runtime jre.tar.gz: 7 bytes, damaged: is not gzip-compressed\n"), std::string::npos)
        << report;
}

TEST_F(Inspect, SaysPlainlyWhatIsNoLauncher)
{
    writeText(path("notes.txt"), std::string(100, 'x'));
    EXPECT_FALSE(read("notes.txt"));
    EXPECT_EQ(error, "'" + path("notes.txt") + "' is not a Windows executable (no MZ header)");
    FakePe other;
    other.kvellMarker = false;
    writeBytes(path("other.exe"), makeFakePe(other));
    EXPECT_FALSE(read("other.exe"));
    EXPECT_EQ(error, "'" + path("other.exe") + "' is not a kvell launcher (it has no .kvell section)");
}

TEST_F(Inspect, ExtractWritesTheDescrambledFiles)
{
    Bytes jar(70000);
    for (size_t i = 0; i < jar.size(); ++i)
        jar[i] = static_cast<unsigned char>(i ^ (i >> 8));
    writeBytes(path("app.jar"), jar);
    writeText(path("empty.txt"), "");
    packProject("included_files = [\"app.jar\", \"empty.txt\"]\n");
    ASSERT_TRUE(read("out.exe")) << error;
    ASSERT_TRUE(extractRecords(path("out.exe"), contents, path("x/y"), &error)) << error;
    EXPECT_EQ(readBytes(path("x/y/app.jar")), jar);
    EXPECT_FALSE(std::filesystem::exists(path("x/y/empty.txt")));  // as the launcher: no file for size 0
}

TEST_F(Inspect, ExtractNeverLeavesItsDirectory)
{
    writeBytes(path("stub.exe"), makeFakePe());
    writeText(path("a.bin"), "evil");
    Project project;  // names straight into the entries, as a foreign tool might write them
    project.strings[cfg::kIncludedFileCount] = "1";
    project.strings[cfg::kIncludedFileNames] = "../escaped.bin";
    project.files.push_back({"../escaped.bin", path("a.bin"), 4});
    PackResult result;
    ASSERT_TRUE(packLauncher(path("stub.exe"), project, path("out.exe"), &result, &error)) << error;
    ASSERT_TRUE(read("out.exe")) << error;
    std::filesystem::create_directories(path("x"));
    EXPECT_FALSE(extractRecords(path("out.exe"), contents, path("x/y"), &error));
    EXPECT_NE(error.find("contains a path separator"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(path("x/escaped.bin")));
}

TEST_F(Inspect, CutOffLaunchersAreDamaged)
{
    writeText(path("app.jar"), std::string(1000, 'a'));
    packProject("main_class = \"a.B\"\nincluded_files = [\"app.jar\"]\n");
    Bytes whole = readBytes(path("out.exe"));

    Bytes cutInFile(whole.begin(), whole.end() - 10);
    writeBytes(path("cut.exe"), cutInFile);
    EXPECT_FALSE(read("cut.exe"));
    EXPECT_EQ(error, "'" + path("cut.exe") + "' is damaged: included file 'app.jar' claims 1000 bytes, but the "
                     "file ends before them");

    Bytes cutInRecord(whole.begin(), whole.end() - 1004);
    writeBytes(path("cut.exe"), cutInRecord);
    EXPECT_FALSE(read("cut.exe"));
    EXPECT_EQ(error, "'" + path("cut.exe") + "' is damaged: the record of included file 'app.jar' cannot be read");

    Bytes cutInEntries(whole.begin(), whole.begin() + fakePayloadStart(FakePe()) + 18);
    writeBytes(path("cut.exe"), cutInEntries);
    EXPECT_FALSE(read("cut.exe"));
    EXPECT_NE(error.find("carries no readable Payload (Internal Error: readString)"), std::string::npos) << error;
}

TEST_F(Inspect, RecordSizesNearTheInt64LimitAreDamaged)
{
    writeText(path("app.jar"), std::string(1000, 'a'));
    packProject("included_files = [\"app.jar\"]\n");
    ASSERT_TRUE(read("out.exe")) << error;
    Bytes bytes = readBytes(path("out.exe"));
    size_t sizeAt = static_cast<size_t>(contents.layout.includedFilesOffset);
    for (int i = 0; i < 8; ++i)
        bytes[sizeAt + i] = static_cast<unsigned char>(static_cast<uint64_t>(INT64_MAX) >> (8 * i));
    writeBytes(path("huge.exe"), bytes);
    EXPECT_FALSE(read("huge.exe"));
    EXPECT_EQ(error, "'" + path("huge.exe") + "' is damaged: included file 'app.jar' claims " +
                         std::to_string(INT64_MAX) + " bytes, but the file ends before them");
}

TEST_F(Inspect, ExtractRefusesNamesOneFileOnWindows)
{
    writeBytes(path("stub.exe"), makeFakePe());
    writeText(path("a.bin"), "first");
    writeText(path("b.bin"), "second");
    Project project;  // names straight into the entries, as a foreign tool might write them
    project.strings[cfg::kIncludedFileCount] = "2";
    project.strings[cfg::kIncludedFileNames] = "\xC4rger.bin;\xE4rger.bin";  // Windows-1252
    project.files = {{"\xC4rger.bin", path("a.bin"), 5}, {"\xE4rger.bin", path("b.bin"), 6}};
    PackResult result;
    ASSERT_TRUE(packLauncher(path("stub.exe"), project, path("out.exe"), &result, &error)) << error;
    ASSERT_TRUE(read("out.exe")) << error;
    EXPECT_FALSE(extractRecords(path("out.exe"), contents, path("x"), &error));
    EXPECT_EQ(error, "two included files are named 'ärger.bin'");
    EXPECT_FALSE(std::filesystem::exists(path("x")));
}
