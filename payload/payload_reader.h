// Reading the Payload: the PE walk to the end of the last section, the magic, and
// the string and wide-string entries. Shared by the launcher and the build tool.
#pragma once
#include <cstdint>
#include <string>

#include "fs/platform.h"
#include "fs/wide.h"
#include "payload/config_store.h"

constexpr uint32_t kPayloadMagic = 0xE8E413D5u;

// Each reads at the current position with one read of the exact length.
bool readShort(const FileHandle& file, int16_t* value);
bool readInt(const FileHandle& file, int32_t* value);
bool readLong(const FileHandle& file, int64_t* value);
// 4-byte length L (read with readInt), then L bytes. Lengths that are negative or
// run past the end of the file fail without allocating.
enum class TextRead { Ok, LengthFailed, TextFailed };
TextRead readString(const FileHandle& file, std::string* value);
TextRead readWString(const FileHandle& file, WideString* value);  // L must be even

enum class PayloadStatus { Ok, Magic, ReadInt, ReadShort, ReadString, ReadWString };

struct PayloadLayout {
    int sectionCount = 0;
    int optionalHeaderSize = 0;
    int64_t sectionTableStart = 0;  // start of the last section header
    int32_t rawDataSize = 0;
    int32_t rawDataOffset = 0;
    int64_t payloadStart = 0;       // where the magic is
    int64_t includedFilesOffset = 0;
    unsigned systemError = 0;       // for the failed readInt/readShort
};

// Finds the Payload in the open executable and fills store. Logs each step.
PayloadStatus readPayload(const FileHandle& file, ConfigStore& store, PayloadLayout* layout);

// Where the Payload starts: the end of the raw data of the last section header.
// Without logging; false when the headers cannot be read.
bool findPayloadStart(const FileHandle& file, PayloadLayout* layout);

// The fatal text of a status ("Internal Error: magic", ...).
const char* payloadStatusText(PayloadStatus status);
