#include "jvm/version_cache.h"

#include <cstring>

#include "fs/registry.h"
#include "fs/text_buffer.h"
#include "jvm/registry_values.h"

const char* const kFailedRunVersion = "1.0.0";

void fileStampBytes(const FileStamp& stamp, unsigned char bytes[8])
{
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<unsigned char>(stamp.low >> (8 * i));
        bytes[4 + i] = static_cast<unsigned char>(stamp.high >> (8 * i));
    }
}

bool readCachedVersion(const char* javaExe, const FileStamp& stamp, char* version)
{
    version[0] = '\0';
    char keyPath[kTextBufferSize];
    RegKey key;
    if (!registryKeyFor(kVersionCacheKey, javaExe, keyPath, sizeof keyPath) ||
        !regOpenRead(RegRoot::CurrentUser, keyPath, &key))
        return false;
    unsigned char expected[8];
    fileStampBytes(stamp, expected);
    unsigned char stored[16];
    uint32_t size = 0;
    uint32_t type = 0;
    bool sameTime = regQueryValue(key, "LastWriteTime", stored, sizeof stored, &size, &type) && size == 8 &&
                    std::memcmp(stored, expected, 8) == 0;
    bool read = sameTime && queryRegistryString(key, "Version", version, kTextBufferSize);
    return read;
}

void writeCachedVersion(const char* javaExe, const FileStamp& stamp, const char* version)
{
    char keyPath[kTextBufferSize];
    RegKey key;
    if (!registryKeyFor(kVersionCacheKey, javaExe, keyPath, sizeof keyPath) ||
        !regCreate(RegRoot::CurrentUser, keyPath, &key))
        return;
    unsigned char bytes[8];
    fileStampBytes(stamp, bytes);
    regSetValue(key, "LastWriteTime", kRegBinary, bytes, sizeof bytes);
    regSetValue(key, "Version", kRegString, version, static_cast<uint32_t>(std::strlen(version) + 1));
}
