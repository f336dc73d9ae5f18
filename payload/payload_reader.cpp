#include "payload/payload_reader.h"

#include <cstring>
#include <vector>

#include "diag/log.h"

namespace {

bool readExact(const FileHandle& file, void* buffer, uint32_t size)
{
    uint32_t got = 0;
    return readFileBytes(file, buffer, size, &got) && got >= size;
}

uint32_t littleEndian32(const unsigned char* b)
{
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
           (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

// Bytes left behind the current position; a length beyond it cannot be read.
int64_t remainingBytes(const FileHandle& file)
{
    int64_t size = sizeOfFile(file);
    int64_t at = tellFile(file);
    return size < 0 || at < 0 ? 0 : size - at;
}

// Reads a length-prefixed block; the caller interprets the bytes.
TextRead readBlock(const FileHandle& file, std::vector<unsigned char>* bytes, bool evenLength)
{
    int32_t length = 0;
    if (!readInt(file, &length))
        return TextRead::LengthFailed;
    if (length < 0 || (evenLength && length % 2 != 0) || length > remainingBytes(file))
        return TextRead::TextFailed;
    bytes->assign(static_cast<size_t>(length), 0);
    if (length > 0 && !readExact(file, bytes->data(), static_cast<uint32_t>(length)))
        return TextRead::TextFailed;
    return TextRead::Ok;
}

} // namespace

bool readShort(const FileHandle& file, int16_t* value)
{
    unsigned char b[2];
    if (!readExact(file, b, 2))
        return false;
    *value = static_cast<int16_t>(static_cast<uint16_t>(b[0] | (b[1] << 8)));
    return true;
}

bool readInt(const FileHandle& file, int32_t* value)
{
    unsigned char b[4];
    if (!readExact(file, b, 4))
        return false;
    *value = static_cast<int32_t>(littleEndian32(b));
    return true;
}

bool readLong(const FileHandle& file, int64_t* value)
{
    unsigned char b[8];
    if (!readExact(file, b, 8))
        return false;
    uint64_t v = static_cast<uint64_t>(littleEndian32(b)) | (static_cast<uint64_t>(littleEndian32(b + 4)) << 32);
    *value = static_cast<int64_t>(v);
    return true;
}

TextRead readString(const FileHandle& file, std::string* value)
{
    std::vector<unsigned char> bytes;
    TextRead result = readBlock(file, &bytes, false);
    if (result == TextRead::Ok)
        value->assign(bytes.begin(), bytes.end());
    return result;
}

TextRead readWString(const FileHandle& file, WideString* value)
{
    std::vector<unsigned char> bytes;
    TextRead result = readBlock(file, &bytes, true);
    if (result != TextRead::Ok)
        return result;
    value->clear();
    value->reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        value->push_back(static_cast<WideChar>(bytes[i] | (bytes[i + 1] << 8)));
    return TextRead::Ok;
}

namespace {

// The header walk, with its log lines when logging is on. Positions are 64-bit so
// that damaged headers cannot wrap around.
PayloadStatus walkHeaders(const FileHandle& file, PayloadLayout* layout, bool log)
{
    int32_t peOffset = 0;
    if (!seekFile(file, 60) || !readInt(file, &peOffset))
        return PayloadStatus::ReadInt;
    int16_t sections = 0;
    if (!seekFile(file, static_cast<int64_t>(peOffset) + 6) || !readShort(file, &sections))
        return PayloadStatus::ReadShort;
    layout->sectionCount = sections;
    if (log)
        logInfo("number of sections: %d", layout->sectionCount);
    int16_t optionalSize = 0;
    if (!seekFile(file, static_cast<int64_t>(peOffset) + 20) || !readShort(file, &optionalSize))
        return PayloadStatus::ReadShort;
    layout->optionalHeaderSize = optionalSize;
    if (log)
        logInfo("size of optional headers: %d", layout->optionalHeaderSize);
    layout->sectionTableStart = static_cast<int64_t>(peOffset) + optionalSize + 40LL * sections - 16;
    if (log)
        logInfo("resSectionTableStart: %lld", static_cast<long long>(layout->sectionTableStart));
    if (!seekFile(file, layout->sectionTableStart + 16) || !readInt(file, &layout->rawDataSize))
        return PayloadStatus::ReadInt;
    if (!seekFile(file, layout->sectionTableStart + 20) || !readInt(file, &layout->rawDataOffset))
        return PayloadStatus::ReadInt;
    if (log)
        logInfo("rawDataSize: %d, rawDataOffset: %d", layout->rawDataSize, layout->rawDataOffset);
    layout->payloadStart = static_cast<int64_t>(layout->rawDataOffset) + layout->rawDataSize;
    return PayloadStatus::Ok;
}

PayloadStatus failWithError(PayloadLayout* layout, PayloadStatus status)
{
    layout->systemError = lastSystemError();
    return status;
}

} // namespace

bool findPayloadStart(const FileHandle& file, PayloadLayout* layout)
{
    return walkHeaders(file, layout, false) == PayloadStatus::Ok;
}

PayloadStatus readPayload(const FileHandle& file, ConfigStore& store, PayloadLayout* layout)
{
    PayloadStatus status = walkHeaders(file, layout, true);
    if (status != PayloadStatus::Ok)
        return failWithError(layout, status);
    int32_t magic = 0;
    if (!seekFile(file, layout->payloadStart) || !readInt(file, &magic))
        return failWithError(layout, PayloadStatus::ReadInt);
    if (static_cast<uint32_t>(magic) != kPayloadMagic)
        return PayloadStatus::Magic;

    int32_t count = 0;
    if (!readInt(file, &count))
        return failWithError(layout, PayloadStatus::ReadInt);
    for (int32_t i = 0; i < count; ++i) {
        int32_t id = 0;
        if (!readInt(file, &id))
            return failWithError(layout, PayloadStatus::ReadInt);
        std::string value;
        TextRead read = readString(file, &value);
        if (read == TextRead::LengthFailed)
            return failWithError(layout, PayloadStatus::ReadInt);
        if (read == TextRead::TextFailed)
            return PayloadStatus::ReadString;
        store.strings[id] = std::move(value);
    }
    if (!readInt(file, &count))
        return failWithError(layout, PayloadStatus::ReadInt);
    for (int32_t i = 0; i < count; ++i) {
        int32_t id = 0;
        if (!readInt(file, &id))
            return failWithError(layout, PayloadStatus::ReadInt);
        WideString value;
        TextRead read = readWString(file, &value);
        if (read == TextRead::LengthFailed)
            return failWithError(layout, PayloadStatus::ReadInt);
        if (read == TextRead::TextFailed)
            return PayloadStatus::ReadWString;
        store.wides[id] = std::move(value);
    }
    layout->includedFilesOffset = tellFile(file);
    return PayloadStatus::Ok;
}

const char* payloadStatusText(PayloadStatus status)
{
    switch (status) {
    case PayloadStatus::Ok:
        return "";
    case PayloadStatus::Magic:
        return "Internal Error: magic";
    case PayloadStatus::ReadInt:
        return "Internal Error: readInt";
    case PayloadStatus::ReadShort:
        return "Internal Error: readShort";
    case PayloadStatus::ReadString:
        return "Internal Error: readString";
    case PayloadStatus::ReadWString:
        return "Internal Error: readWString";
    }
    return "Internal Error";
}
