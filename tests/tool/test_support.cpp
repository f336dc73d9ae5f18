#include "test_support.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <zlib.h>

#include "payload/scramble.h"
#include "payload/stub_marker.h"

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
    if (pe.kvellMarker && pe.sections > 0) {
        std::memcpy(&b[fakeSectionTable(pe.pe32Plus)], KVELL_STUB_SECTION, sizeof KVELL_STUB_SECTION);
        std::memcpy(&b[0x200], KVELL_STUB_MARKER, sizeof KVELL_STUB_MARKER);
    }
    return b;
}

namespace {

void putLe16(Bytes& out, uint16_t value)
{
    out.push_back(static_cast<unsigned char>(value));
    out.push_back(static_cast<unsigned char>(value >> 8));
}

void putLe32(Bytes& out, uint32_t value)
{
    putLe16(out, static_cast<uint16_t>(value));
    putLe16(out, static_cast<uint16_t>(value >> 16));
}

std::string rawDeflate(const std::string& data)
{
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// The fields a local header and its central directory record share.
void putCommonFields(Bytes& out, uint16_t method, const std::string& content, const std::string& packed,
                     const std::string& name)
{
    putLe16(out, 20);  // version needed
    putLe16(out, 0);   // flags
    putLe16(out, method);
    putLe32(out, 0);  // time and date
    putLe32(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(content.data()),
                                             static_cast<uInt>(content.size()))));
    putLe32(out, static_cast<uint32_t>(packed.size()));
    putLe32(out, static_cast<uint32_t>(content.size()));
    putLe16(out, static_cast<uint16_t>(name.size()));
    putLe16(out, 0);  // extra field
}

}  // namespace

Bytes makeZip(const std::vector<std::pair<std::string, std::string>>& entries, bool deflated)
{
    Bytes out, directory;
    uint16_t method = deflated ? 8 : 0;
    for (const auto& [name, content] : entries) {
        std::string packed = deflated ? rawDeflate(content) : content;
        uint32_t local = static_cast<uint32_t>(out.size());
        putLe32(out, 0x04034B50);
        putCommonFields(out, method, content, packed, name);
        out.insert(out.end(), name.begin(), name.end());
        out.insert(out.end(), packed.begin(), packed.end());
        putLe32(directory, 0x02014B50);
        putLe16(directory, 20);  // version made by
        putCommonFields(directory, method, content, packed, name);
        for (int i = 0; i < 4; ++i)
            putLe16(directory, 0);  // comment, disk, internal attributes, and half of the external ones
        putLe16(directory, 0);
        putLe32(directory, local);
        directory.insert(directory.end(), name.begin(), name.end());
    }
    uint32_t directoryOffset = static_cast<uint32_t>(out.size());
    out.insert(out.end(), directory.begin(), directory.end());
    putLe32(out, 0x06054B50);
    putLe32(out, 0);  // disk numbers
    putLe16(out, static_cast<uint16_t>(entries.size()));
    putLe16(out, static_cast<uint16_t>(entries.size()));
    putLe32(out, static_cast<uint32_t>(directory.size()));
    putLe32(out, directoryOffset);
    putLe16(out, 0);  // comment
    return out;
}

void writeJar(const std::string& path, const std::string& manifest, bool deflated)
{
    writeBytes(path, makeZip({{"META-INF/", ""}, {"META-INF/MANIFEST.MF", manifest}, {"a/Main.class", "\xCA\xFE"}},
                             deflated));
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
