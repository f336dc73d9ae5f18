// Helpers of the kvellpack tests: scratch directories, whole-file reads and
// writes, and a minimal PE image to pack onto.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "payload/config_store.h"
#include "payload/payload_reader.h"

using Bytes = std::vector<unsigned char>;

Bytes readBytes(const std::string& path);
void writeBytes(const std::string& path, const Bytes& bytes);
void writeText(const std::string& path, const std::string& text);
uint32_t getLe32At(const Bytes& bytes, size_t at);
void putLe32At(Bytes& bytes, size_t at, uint32_t value);

// A PE image with headers at 0x80, three sections of 0x200 bytes from 0x200, the
// last one ending at kFakePayloadStart. The first is a kvell launcher's marker
// section (payload/stub_marker.h) unless kvellMarker is false.
struct FakePe {
    bool pe32Plus = true;
    bool kvellMarker = true;
    uint16_t sections = 3;
    uint32_t checksum = 0x12345678;
    uint32_t securityOffset = 0;
    uint32_t securitySize = 0;
};
constexpr uint32_t kFakePeOffset = 0x80;
constexpr uint32_t kFakeOptionalOffset = kFakePeOffset + 24;
constexpr uint32_t kFakeChecksumOffset = kFakeOptionalOffset + 64;
uint32_t fakeSecurityEntryOffset(bool pe32Plus);
uint32_t fakeSectionTable(bool pe32Plus);
uint32_t fakePayloadStart(const FakePe& pe);
Bytes makeFakePe(const FakePe& pe = FakePe());

// A zip file (a jar) holding the entries (name, content), stored or deflated.
Bytes makeZip(const std::vector<std::pair<std::string, std::string>>& entries, bool deflated);
// A jar whose manifest is the given text.
void writeJar(const std::string& path, const std::string& manifest, bool deflated = true);
// The PE checksum of a file, computed the way pefile and imagehlp do (32-bit
// words with carry, folded), independently of kvellpack's own summing.
uint32_t referenceChecksum(const Bytes& file, size_t checksumOffset);

// A fresh directory under /tmp, removed with everything in it afterwards.
struct ScratchDir : ::testing::Test {
    std::string dir;
    void SetUp() override;
    void TearDown() override;
    std::string path(const std::string& name) const { return dir + "/" + name; }
};

// Reads the Payload of a file with the launcher's own reader.
PayloadStatus readPayloadOf(const std::string& path, ConfigStore* store, PayloadLayout* layout);

// The included files as the launcher would extract them: records from
// includedFilesOffset, descrambled.
std::vector<Bytes> readIncludedFiles(const std::string& path, int64_t offset, int count);

// Distinct included file names of at most 255 characters (the longest Windows
// allows) that, joined by ";", are exactly length characters long.
std::vector<std::string> namesJoiningTo(size_t length);
std::string joinNames(const std::vector<std::string>& names);
// "included_files = [...]" with file packed under each of names.
std::string includedUnder(const std::string& file, const std::vector<std::string>& names);
