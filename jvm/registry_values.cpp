#include "jvm/registry_values.h"

#include <cstring>

#include "diag/log.h"
#include "fs/platform.h"
#include "fs/text_buffer.h"

const char* const kVersionCacheKey = "SOFTWARE\\brisco-labworks\\kvell\\jvms";
const char* const kLocatedJvmsKey = "SOFTWARE\\brisco-labworks\\kvell\\locatedjvms";

bool queryRegistryString(const RegKey& key, const char* name, char* buf, size_t cap)
{
    if (cap == 0)
        return false;
    buf[0] = '\0';
    uint32_t size = 0;
    uint32_t type = 0;
    uint32_t capacity = cap > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(cap);
    if (!regQueryValue(key, name, buf, capacity, &size, &type))
        return false;
    if (type != kRegString && type != kRegExpandString) {
        buf[0] = '\0';
        return false;
    }
    // The stored text need not carry its terminator.
    if (size > 0 && buf[size - 1] == '\0')
        return true;
    if (size >= cap) {
        buf[0] = '\0';
        return false;
    }
    buf[size] = '\0';
    return true;
}

bool readRegistryString(RegRoot root, const char* path, const char* name, char* buf, size_t cap)
{
    RegKey key;
    if (!regOpenRead(root, path, &key)) {
        if (cap > 0)
            buf[0] = '\0';
        return false;
    }
    bool read = queryRegistryString(key, name, buf, cap);
    return read;
}

bool registryNameOf(const char* path, char* out, size_t cap)
{
    if (!copyBounded(out, cap, path))
        return false;
    for (char* p = out; *p != '\0'; ++p) {
        if (*p == '\\')
            *p = '/';
    }
    return true;
}

void pathFromRegistryName(char* name)
{
    for (char* p = name; *p != '\0'; ++p) {
        if (*p == '/')
            *p = kPathSeparator;
    }
}

bool registryKeyFor(const char* keyPath, const char* path, char* out, size_t cap)
{
    char name[kTextBufferSize];
    if (!registryNameOf(path, name, sizeof name))
        return false;
    return formatBounded(out, cap, "%s\\%s", keyPath, name);
}

bool subKeyNames(RegRoot root, const char* path, std::vector<std::string>* names)
{
    RegKey key;
    if (!regOpenRead(root, path, &key))
        return false;
    char name[kTextBufferSize];
    for (uint32_t index = 0;; ++index) {
        RegEnum status = regEnumSubKey(key, index, name, sizeof name);
        if (status == RegEnum::NoMore)
            break;
        if (status == RegEnum::TooLong) {
            logInfo("Skipping sub-key %u of %s: name too long", index, path);
            continue;
        }
        // Any other failure would repeat for every index: the list ends here.
        if (status == RegEnum::Failed) {
            logInfo("Could not enumerate %s beyond sub-key %u", path, index);
            break;
        }
        names->emplace_back(name);
    }
    return true;
}
