#include "test_support.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "payload/scramble.h"

Bytes readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeText(const std::string& path, const std::string& text)
{
    writeBytes(path, Bytes(text.begin(), text.end()));
}

uint32_t getLe32At(const Bytes& bytes, size_t at)
{
    return static_cast<uint32_t>(bytes[at]) | (static_cast<uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<uint32_t>(bytes[at + 2]) << 16) | (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

void putLe32At(Bytes& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

namespace {

void putLe16At(Bytes& bytes, size_t at, uint16_t value)
{
    bytes[at] = static_cast<unsigned char>(value);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

uint16_t optionalSize(bool pe32Plus)
{
    return pe32Plus ? 0xF0 : 0xE0;
}

}  // namespace

uint32_t fakeSecurityEntryOffset(bool pe32Plus)
{
    return kFakeOptionalOffset + (pe32Plus ? 112 : 96) + 4 * 8;
}

uint32_t fakeSectionTable(bool pe32Plus)
{
    return kFakeOptionalOffset + optionalSize(pe32Plus);
}

uint32_t fakePayloadStart(const FakePe& pe)
{
    return 0x200 + 0x200u * pe.sections;
}

Bytes makeFakePe(const FakePe& pe)
{
    Bytes b(fakePayloadStart(pe), 0);
    b[0] = 'M';
    b[1] = 'Z';
    putLe32At(b, 60, kFakePeOffset);
    std::memcpy(&b[kFakePeOffset], "PE\0\0", 4);
    putLe16At(b, kFakePeOffset + 6, pe.sections);
    putLe16At(b, kFakePeOffset + 20, optionalSize(pe.pe32Plus));
    putLe16At(b, kFakeOptionalOffset, pe.pe32Plus ? 0x20B : 0x10B);
    putLe32At(b, kFakeChecksumOffset, pe.checksum);
    putLe32At(b, kFakeOptionalOffset + (pe.pe32Plus ? 108 : 92), 16);  // NumberOfRvaAndSizes
    putLe32At(b, fakeSecurityEntryOffset(pe.pe32Plus), pe.securityOffset);
    putLe32At(b, fakeSecurityEntryOffset(pe.pe32Plus) + 4, pe.securitySize);
    for (uint16_t i = 0; i < pe.sections; ++i) {
        size_t header = fakeSectionTable(pe.pe32Plus) + 40u * i;
        std::memcpy(&b[header], ".sec", 4);
        b[header + 4] = static_cast<unsigned char>('0' + i);
        putLe32At(b, header + 16, 0x200);            // SizeOfRawData
        putLe32At(b, header + 20, 0x200 + 0x200 * i);  // PointerToRawData
        for (size_t at = 0x200 + 0x200u * i; at < 0x400 + 0x200u * i; ++at)
            b[at] = static_cast<unsigned char>(at * 7 + i);
    }
    return b;
}

uint32_t referenceChecksum(const Bytes& file, size_t checksumOffset)
{
    uint64_t sum = 0;
    for (size_t at = 0; at < file.size(); at += 4) {
        if (at == checksumOffset)
            continue;
        uint32_t word = 0;
        for (size_t i = 0; i < 4 && at + i < file.size(); ++i)
            word |= static_cast<uint32_t>(file[at + i]) << (8 * i);
        sum = (sum & 0xFFFFFFFF) + word + (sum >> 32);
        if (sum > 0xFFFFFFFF)
            sum = (sum & 0xFFFFFFFF) + (sum >> 32);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    sum = sum + (sum >> 16);
    sum &= 0xFFFF;
    return static_cast<uint32_t>(sum + file.size());
}

void ScratchDir::SetUp()
{
    char name[] = "/tmp/kvellpack_test_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir = name;
    setenv("TMP", "/tmp", 1);  // the reader's log goes there and is removed at exit
}

void ScratchDir::TearDown()
{
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

PayloadStatus readPayloadOf(const std::string& path, ConfigStore* store, PayloadLayout* layout)
{
    FileHandle file = openFileRead(path.c_str());
    if (!isOpen(file))
        return PayloadStatus::ReadInt;
    PayloadStatus status = readPayload(file, *store, layout);
    file.reset();
    return status;
}

std::vector<Bytes> readIncludedFiles(const std::string& path, int64_t offset, int count)
{
    std::vector<Bytes> files;
    FileHandle file = openFileRead(path.c_str());
    if (!isOpen(file) || !seekFile(file, offset))
        return files;
    for (int i = 0; i < count; ++i) {
        int64_t size = 0;
        if (!readLong(file, &size) || size < 0)
            break;
        Bytes content(static_cast<size_t>(size));
        uint32_t got = 0;
        if (size > 0 && (!readFileBytes(file, content.data(), static_cast<uint32_t>(size), &got) || got != size))
            break;
        for (unsigned char& byte : content)
            byte ^= kScrambleByte;
        files.push_back(content);
    }
    file.reset();
    return files;
}

std::vector<std::string> namesJoiningTo(size_t length)
{
    std::vector<std::string> names;
    size_t left = length;
    while (left > 0) {
        if (!names.empty())
            --left;  // the separator
        size_t size = std::min<size_t>(255, left);
        if (left - size == 1)
            --size;  // leave room for one more name after a separator
        std::string name = std::to_string(names.size()) + "-";
        name = (name + std::string(size, 'n')).substr(0, size);
        names.push_back(name);
        left -= size;
    }
    return names;
}

std::string joinNames(const std::vector<std::string>& names)
{
    std::string joined;
    for (const std::string& name : names)
        joined += (joined.empty() ? "" : ";") + name;
    return joined;
}

std::string includedUnder(const std::string& file, const std::vector<std::string>& names)
{
    std::string toml = "included_files = [";
    for (const std::string& name : names)
        toml += "{ path = \"" + file + "\", name = \"" + name + "\" }, ";
    return toml + "]\n";
}
