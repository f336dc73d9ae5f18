#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "diag/log.h"
#include "payload/payload_reader.h"

namespace {

using Bytes = std::vector<unsigned char>;

void put32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}
void put16(Bytes& b, size_t at, uint16_t v)
{
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}
void add32(Bytes& b, uint32_t v)
{
    b.resize(b.size() + 4);
    put32(b, b.size() - 4, v);
}
void addText(Bytes& b, const std::string& s)
{
    add32(b, static_cast<uint32_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
}

// A minimal PE image: headers at 0x80, three sections, the last one's raw data
// ending at 0x400, followed by the given Payload bytes.
constexpr size_t kPeOffset = 0x80;
constexpr uint16_t kOptionalSize = 0xF0;
constexpr uint32_t kPayloadStart = 0x400;

Bytes fakeExecutable(const Bytes& payload)
{
    Bytes b(kPayloadStart, 0);
    b[0] = 'M';
    b[1] = 'Z';
    put32(b, 60, kPeOffset);
    std::memcpy(&b[kPeOffset], "PE\0\0", 4);
    put16(b, kPeOffset + 6, 3);
    put16(b, kPeOffset + 20, kOptionalSize);
    size_t table = kPeOffset + 24 + kOptionalSize;
    for (int i = 0; i < 3; ++i) {
        size_t header = table + 40 * i;
        put32(b, header + 16, 0x100);              // SizeOfRawData
        put32(b, header + 20, 0x100 + 0x100 * i);  // PointerToRawData
    }
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

struct PayloadFile : ::testing::Test {
    std::string path;
    ConfigStore store;
    PayloadLayout layout;

    void SetUp() override
    {
        char name[] = "/tmp/kvell_payload_XXXXXX";
        int fd = mkstemp(name);
        ASSERT_GE(fd, 0);
        close(fd);
        path = name;
        setenv("TMP", "/tmp", 1);
    }
    void TearDown() override { unlink(path.c_str()); }

    PayloadStatus load(const Bytes& payload)
    {
        Bytes image = fakeExecutable(payload);
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(image.data(), 1, image.size(), f);
        std::fclose(f);
        store = ConfigStore();
        layout = PayloadLayout();
        FileHandle file = openFileRead(path.c_str());
        PayloadStatus status = readPayload(file, store, &layout);
        file.reset();
        return status;
    }
};

Bytes header(int32_t n1)
{
    Bytes b;
    add32(b, kPayloadMagic);
    add32(b, static_cast<uint32_t>(n1));
    return b;
}

} // namespace

TEST_F(PayloadFile, TheSmallestExampleReadsOneEntry)
{
    const unsigned char raw[] = {0xD5, 0x13, 0xE4, 0xE8, 1, 0, 0, 0, 0x6B, 0, 0, 0, 1, 0, 0, 0, '1', 0, 0, 0, 0};
    ASSERT_EQ(load(Bytes(raw, raw + sizeof raw)), PayloadStatus::Ok);
    EXPECT_EQ(store.strings.at(107), "1");
    EXPECT_TRUE(store.wides.empty());
    EXPECT_EQ(layout.payloadStart, kPayloadStart);
    EXPECT_EQ(layout.includedFilesOffset, kPayloadStart + 21);
    EXPECT_EQ(layout.sectionCount, 3);
    EXPECT_EQ(layout.optionalHeaderSize, kOptionalSize);
    EXPECT_EQ(layout.sectionTableStart, static_cast<int64_t>(kPeOffset + kOptionalSize + 40 * 3 - 16));
}

TEST_F(PayloadFile, EmptyListsLaterDuplicatesAndEmptyTexts)
{
    Bytes p = header(0);
    add32(p, 0);
    ASSERT_EQ(load(p), PayloadStatus::Ok);
    EXPECT_TRUE(store.strings.empty());
    EXPECT_EQ(layout.includedFilesOffset, kPayloadStart + 12);

    p = header(3);
    add32(p, 5), addText(p, "first");
    add32(p, 5), addText(p, "second");
    add32(p, 6), addText(p, "");
    add32(p, 2);
    add32(p, 20013), addText(p, std::string("T\0i\0", 4));
    add32(p, 20014), addText(p, "");
    ASSERT_EQ(load(p), PayloadStatus::Ok);
    EXPECT_EQ(store.strings.at(5), "second");
    EXPECT_EQ(store.strings.at(6), "");
    EXPECT_EQ(store.wides.at(20013), WideString(KW("Ti")));
    EXPECT_EQ(store.wides.at(20014), WideString());
}

TEST_F(PayloadFile, DamagedPayloadsGiveTheirNamedError)
{
    EXPECT_EQ(load(Bytes()), PayloadStatus::ReadInt);  // nothing after the last section

    Bytes p;
    add32(p, 0x12345678);
    EXPECT_EQ(load(p), PayloadStatus::Magic);

    EXPECT_EQ(load(Bytes{0xD5, 0x13, 0xE4, 0xE8, 1, 0}), PayloadStatus::ReadInt);  // short N1

    p = header(1);
    add32(p, 7);
    add32(p, static_cast<uint32_t>(-1));  // negative length
    EXPECT_EQ(load(p), PayloadStatus::ReadString);

    p = header(1);
    add32(p, 7);
    add32(p, 0x7FFFFFFF);  // absurd length: refused without allocating
    EXPECT_EQ(load(p), PayloadStatus::ReadString);

    p = header(1);
    add32(p, 7);
    add32(p, 10);
    p.push_back('a');  // text shorter than its length
    EXPECT_EQ(load(p), PayloadStatus::ReadString);

    p = header(0);
    add32(p, 1);
    add32(p, 20013);
    add32(p, 3);  // odd wide length
    p.insert(p.end(), {'a', 0, 'b'});
    EXPECT_EQ(load(p), PayloadStatus::ReadWString);

    p = header(0x7FFFFFFF);  // claims far more entries than present
    add32(p, 1), addText(p, "a");
    add32(p, 2), addText(p, "b");
    EXPECT_EQ(load(p), PayloadStatus::ReadInt);

    p = header(0);  // N2 missing
    EXPECT_EQ(load(p), PayloadStatus::ReadInt);
}

TEST_F(PayloadFile, BrokenHeadersFailCleanly)
{
    Bytes image(200, 0);
    put32(image, 60, 0x7FFFFFF0);  // PE offset far beyond the file
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(image.data(), 1, image.size(), f);
    std::fclose(f);
    FileHandle file = openFileRead(path.c_str());
    EXPECT_EQ(readPayload(file, store, &layout), PayloadStatus::ReadShort);
    file.reset();
}

TEST(PayloadStatusText, NamesEveryFailure)
{
    EXPECT_STREQ(payloadStatusText(PayloadStatus::Magic), "Internal Error: magic");
    EXPECT_STREQ(payloadStatusText(PayloadStatus::ReadInt), "Internal Error: readInt");
    EXPECT_STREQ(payloadStatusText(PayloadStatus::ReadShort), "Internal Error: readShort");
    EXPECT_STREQ(payloadStatusText(PayloadStatus::ReadString), "Internal Error: readString");
    EXPECT_STREQ(payloadStatusText(PayloadStatus::ReadWString), "Internal Error: readWString");
}
