#include <filesystem>

#include <gtest/gtest.h>

#include "payload/config_ids.h"
#include "payload/scramble.h"
#include "test_support.h"
#include "tools/kvellpack/payload_writer.h"
#include "tools/kvellpack/project_file.h"

using namespace kvellpack;

namespace {

struct Pack : ScratchDir {
    Project project;
    PackResult result;
    std::string error;

    void loadToml(const std::string& toml)
    {
        project = Project();
        ASSERT_TRUE(loadProjectText(toml, "p.toml", dir, &project, &error)) << error;
    }

    bool pack(const std::string& stub, const std::string& out)
    {
        error.clear();
        return packLauncher(stub, project, out, &result, &error);
    }

    int64_t expectedSize(int64_t payloadStart) const
    {
        int64_t size = payloadStart + static_cast<int64_t>(encodeEntries(project).size());
        for (const IncludedFile& file : project.files)
            size += 8 + file.size;
        return size;
    }
};

Bytes everyByteValue(size_t size)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(i * 131 + i / 256);
    return bytes;
}

const char* const kProject = R"(
    program_type = 1
    min_version = "11"
    classpath = ["A1app.jar", "S0lib"]
    vm_options = ["-Xmx256m", "-Dx=a b"]
    app_title = "Grüße"
    included_files = ["app.jar", "jre.tar.gz", "empty.txt"]
    [messages]
    caption = "Fehler €"
    [raw.strings]
    4711 = "raw"
    [raw.wide]
    4711 = "wide raw"
)";

}  // namespace

TEST_F(Pack, TheLaunchersReaderGetsBackEveryEntryAndFile)
{
    Bytes app = everyByteValue(4096);
    Bytes jre = everyByteValue(200000);  // several copy chunks
    writeBytes(path("app.jar"), app);
    writeBytes(path("jre.tar.gz"), jre);
    writeBytes(path("empty.txt"), {});
    writeBytes(path("stub.exe"), makeFakePe());
    loadToml(kProject);
    ASSERT_TRUE(pack(path("stub.exe"), path("out.exe"))) << error;

    ConfigStore store;
    PayloadLayout layout;
    ASSERT_EQ(readPayloadOf(path("out.exe"), &store, &layout), PayloadStatus::Ok);
    EXPECT_EQ(layout.payloadStart, fakePayloadStart(FakePe()));
    EXPECT_EQ(store.strings, project.strings);
    EXPECT_EQ(store.wides, project.wides);
    EXPECT_EQ(store.strings[cfg::kMsgCaption], "Fehler \x80");
    EXPECT_EQ(store.strings[cfg::kIncludedFileNames], "app.jar;jre.tar.gz;empty.txt");
    EXPECT_EQ(store.wides[cfg::kWAppTitle], wideFromUtf8("Grüße"));

    std::vector<Bytes> files = readIncludedFiles(path("out.exe"), layout.includedFilesOffset, 3);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0], app);
    EXPECT_EQ(files[1], jre);
    EXPECT_TRUE(files[2].empty());
    EXPECT_EQ(static_cast<int64_t>(readBytes(path("out.exe")).size()), expectedSize(layout.payloadStart));

    // Stored scrambled: the plain bytes do not appear at the record.
    Bytes out = readBytes(path("out.exe"));
    size_t content = static_cast<size_t>(layout.includedFilesOffset) + 8;
    EXPECT_EQ(out[content], static_cast<unsigned char>(app[0] ^ kScrambleByte));
    EXPECT_NE(Bytes(out.begin() + content, out.begin() + content + 64), Bytes(app.begin(), app.begin() + 64));
}

TEST_F(Pack, EntriesAreLaidOutByteForByte)
{
    project.strings[cfg::kProgramType] = "1";
    Bytes entries = encodeEntries(project);
    Bytes expected = {0xD5, 0x13, 0xE4, 0xE8, 1, 0, 0, 0, 0x6B, 0, 0, 0, 1, 0, 0, 0, '1', 0, 0, 0, 0};
    EXPECT_EQ(entries, expected);

    project.strings.clear();
    project.wides[cfg::kWAppTitle] = wideFromUtf8("Aé");
    expected = {0xD5, 0x13, 0xE4, 0xE8, 0, 0, 0, 0, 1, 0, 0, 0, 0x2D, 0x4E, 0, 0, 4, 0, 0, 0, 'A', 0, 0xE9, 0};
    EXPECT_EQ(encodeEntries(project), expected);
}

TEST_F(Pack, RepackingALauncherReplacesItsPayload)
{
    writeBytes(path("app.jar"), everyByteValue(5000));
    writeBytes(path("jre.tar.gz"), everyByteValue(70000));
    writeBytes(path("empty.txt"), {});
    writeBytes(path("stub.exe"), makeFakePe());
    loadToml(kProject);
    ASSERT_TRUE(pack(path("stub.exe"), path("first.exe"))) << error;

    loadToml("main_class = \"b.Second\"\n");
    ASSERT_TRUE(pack(path("first.exe"), path("second.exe"))) << error;
    EXPECT_EQ(result.droppedBytes, static_cast<int64_t>(readBytes(path("first.exe")).size()) - result.payloadStart);
    EXPECT_EQ(static_cast<int64_t>(readBytes(path("second.exe")).size()), expectedSize(fakePayloadStart(FakePe())));

    ConfigStore store;
    PayloadLayout layout;
    ASSERT_EQ(readPayloadOf(path("second.exe"), &store, &layout), PayloadStatus::Ok);
    EXPECT_EQ(store.strings, (std::map<int, std::string>{{cfg::kMainClass, "b.Second"}}));
    EXPECT_TRUE(store.wides.empty());
}

TEST_F(Pack, TrailingDataAndTheSignatureEntryOfTheStubAreDropped)
{
    FakePe pe;
    pe.securityOffset = fakePayloadStart(pe) + 0x100;
    pe.securitySize = 0x40;
    Bytes stub = makeFakePe(pe);
    stub.resize(stub.size() + 0x140, 0xEE);  // symbols, an old Payload, a signature...
    writeBytes(path("stub.exe"), stub);
    loadToml("main_class = \"a.B\"\n");
    ASSERT_TRUE(pack(path("stub.exe"), path("out.exe"))) << error;
    EXPECT_EQ(result.droppedBytes, 0x140);
    EXPECT_TRUE(result.droppedSignature);

    Bytes out = readBytes(path("out.exe"));
    ASSERT_EQ(static_cast<int64_t>(out.size()), expectedSize(fakePayloadStart(pe)));
    // The checksum is the new file's, not the stub's.
    EXPECT_EQ(getLe32At(out, kFakeChecksumOffset), referenceChecksum(out, kFakeChecksumOffset));
    EXPECT_NE(getLe32At(out, kFakeChecksumOffset), pe.checksum);
    EXPECT_EQ(getLe32At(out, fakeSecurityEntryOffset(true)), 0u);
    EXPECT_EQ(getLe32At(out, fakeSecurityEntryOffset(true) + 4), 0u);
    // Everything else before the Payload is the stub's.
    for (uint32_t field : {fakeSecurityEntryOffset(true), fakeSecurityEntryOffset(true) + 4})
        putLe32At(stub, field, 0);
    putLe32At(stub, kFakeChecksumOffset, getLe32At(out, kFakeChecksumOffset));
    EXPECT_TRUE(std::equal(stub.begin(), stub.begin() + fakePayloadStart(pe), out.begin()));
}

TEST_F(Pack, AFailedPackLeavesNoOutput)
{
    writeBytes(path("app.jar"), everyByteValue(10));
    writeBytes(path("stub.exe"), makeFakePe());
    writeText(path("out.exe"), "previous");
    loadToml("included_files = [\"app.jar\"]\n");
    std::filesystem::remove(path("app.jar"));  // gone between reading the project and packing
    EXPECT_FALSE(pack(path("stub.exe"), path("out.exe")));
    EXPECT_EQ(error, "cannot open included file '" + path("app.jar") + "'");
    EXPECT_EQ(readBytes(path("out.exe")), Bytes({'p', 'r', 'e', 'v', 'i', 'o', 'u', 's'}));
    EXPECT_FALSE(std::filesystem::exists(path("out.exe.kvellpack-part")));

    writeBytes(path("app.jar"), everyByteValue(5));  // shorter than when the project was read
    EXPECT_FALSE(pack(path("stub.exe"), path("out.exe")));
    EXPECT_NE(error.find("changed size"), std::string::npos) << error;
    writeBytes(path("app.jar"), everyByteValue(11));  // longer
    EXPECT_FALSE(pack(path("stub.exe"), path("out.exe")));
    EXPECT_NE(error.find("changed size"), std::string::npos) << error;
}

TEST_F(Pack, LaunchersBeyondTwoGibibytesAreRefused)
{
    writeBytes(path("stub.exe"), makeFakePe());
    writeBytes(path("huge.bin"), {});
    std::filesystem::resize_file(path("huge.bin"), 0x80000000);  // sparse: nothing is written
    loadToml("included_files = [\"huge.bin\"]\n");
    EXPECT_FALSE(pack(path("stub.exe"), path("out.exe")));
    EXPECT_NE(error.find("must stay below 2 GiB"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(path("out.exe")));
}

TEST_F(Pack, OnlyAKvellLauncherIsAStub)
{
    loadToml("main_class = \"a.B\"\n");
    FakePe other;
    other.kvellMarker = false;
    writeBytes(path("other.exe"), makeFakePe(other));
    EXPECT_FALSE(pack(path("other.exe"), path("out.exe")));
    EXPECT_EQ(error, "stub '" + path("other.exe") +
                         "' is not a kvell launcher (it has no .kvell section); pack onto kvell.exe or a launcher "
                         "packed from it");
    // The section's name alone is not enough: its data must begin with the marker.
    Bytes renamed = makeFakePe();
    renamed[0x200] ^= 0x20;
    writeBytes(path("renamed.exe"), renamed);
    EXPECT_FALSE(pack(path("renamed.exe"), path("out.exe")));
    EXPECT_FALSE(std::filesystem::exists(path("out.exe")));
}
