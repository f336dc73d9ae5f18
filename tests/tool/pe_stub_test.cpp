#include <gtest/gtest.h>

#include "test_support.h"
#include "tools/kvellpack/pe_stub.h"

using namespace kvellpack;

namespace {

struct StubCheck : ScratchDir {
    StubLayout layout;
    std::string error;

    bool examine(const Bytes& image)
    {
        writeBytes(path("stub.exe"), image);
        FileHandle file = openFileRead(path("stub.exe").c_str());
        bool ok = examineStub(file, &layout, &error);
        file.reset();
        return ok;
    }

    std::string refusal(const Bytes& image)
    {
        EXPECT_FALSE(examine(image));
        return error;
    }
};

}  // namespace

TEST_F(StubCheck, FindsThePayloadPositionAndTheFieldsToClear)
{
    for (bool pe32Plus : {true, false}) {
        FakePe pe;
        pe.pe32Plus = pe32Plus;
        pe.securityOffset = 0x1000;
        pe.securitySize = 0x88;
        Bytes image = makeFakePe(pe);
        image.resize(image.size() + 0x1088, 0xEE);  // junk, then the "signature"
        ASSERT_TRUE(examine(image)) << error;
        EXPECT_EQ(layout.payloadStart, fakePayloadStart(pe));
        EXPECT_EQ(layout.fileSize, static_cast<int64_t>(image.size()));
        EXPECT_EQ(layout.checksumOffset, kFakeChecksumOffset);
        EXPECT_EQ(layout.securityEntryOffset, fakeSecurityEntryOffset(pe32Plus));
        EXPECT_EQ(layout.securityOffset, 0x1000u);
        EXPECT_EQ(layout.securitySize, 0x88u);
    }
}

TEST_F(StubCheck, RefusesWhatIsNotAWindowsExecutable)
{
    Bytes text(200, 'x');
    EXPECT_EQ(refusal(text), "is not a Windows executable (no MZ header)");
    EXPECT_EQ(refusal(Bytes{'M', 'Z'}), "is too small to be a Windows executable");

    Bytes farHeader = makeFakePe();
    putLe32At(farHeader, 60, 0x7FFFFFF0);
    EXPECT_EQ(refusal(farHeader), "is not a Windows executable (its PE header offset 0x7FFFFFF0 lies outside the file)");

    Bytes noSignature = makeFakePe();
    noSignature[kFakePeOffset + 1] = 'X';
    EXPECT_EQ(refusal(noSignature), "is not a Windows executable (no PE signature at 0x80)");

    Bytes badMagic = makeFakePe();
    badMagic[kFakeOptionalOffset] = 0x07;
    EXPECT_EQ(refusal(badMagic), "has an unknown optional header kind 0x207");
}

TEST_F(StubCheck, RefusesHeadersThatDoNotFitTheFile)
{
    FakePe none;
    none.sections = 0;
    EXPECT_EQ(refusal(makeFakePe(none)), "has 0 sections; a launcher has 1 to 96");

    Bytes truncated = makeFakePe();
    truncated.pop_back();
    EXPECT_EQ(refusal(truncated),
              "is truncated: its last section ends at 0x800, beyond the end of the file at 0x7FF");

    Bytes tableOutside = makeFakePe();
    tableOutside[kFakePeOffset + 6] = 60;  // 60 section headers cannot fit before the file ends
    tableOutside.resize(0x600);
    EXPECT_NE(refusal(tableOutside).find("section table runs past the end"), std::string::npos);
}

TEST_F(StubCheck, RefusesSectionsWhoseDataTheLauncherWouldOverwrite)
{
    // The second section's data ends after the last section header's data.
    Bytes image = makeFakePe();
    size_t second = fakeSectionTable(true) + 40;
    putLe32At(image, second + 16, 0x800);
    image.resize(0x1000);
    EXPECT_EQ(refusal(image), "has section '.sec1' ending at 0xC00, after the end of the last section header's "
                              "data at 0x800; the Payload would overwrite it");

    // A last section without raw data would put the Payload into the headers.
    Bytes empty = makeFakePe();
    size_t last = fakeSectionTable(true) + 80;
    putLe32At(empty, last + 16, 0);
    putLe32At(empty, last + 20, 0);
    EXPECT_NE(refusal(empty).find("inside its headers"), std::string::npos);
}

#ifdef KVELL_WINDOWS_STUB
TEST_F(StubCheck, TheRealStubIsAccepted)
{
    FileHandle file = openFileRead(KVELL_WINDOWS_STUB);
    ASSERT_TRUE(isOpen(file)) << KVELL_WINDOWS_STUB;
    ASSERT_TRUE(examineStub(file, &layout, &error)) << error;
    EXPECT_TRUE(isKvellStub(file, layout));  // the linker kept the marker section
    PayloadLayout launcher;
    ASSERT_TRUE(findPayloadStart(file, &launcher));
    file.reset();
    EXPECT_EQ(layout.payloadStart, launcher.payloadStart);
}
#endif
