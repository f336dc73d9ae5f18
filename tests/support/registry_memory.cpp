// The host has no registry: the tests get this in-memory one in its place (keys
// compared without regard to case, sub-keys enumerated in name order), filled
// through the ordinary registry calls of fs/registry.h.
#include "registry_memory.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// ---- in-memory registry -------------------------------------------------------
struct MemoryValue {
    uint32_t type = 0;
    std::vector<unsigned char> data;
};

struct MemoryKey {
    std::string name;  // last component, as created
    std::map<std::string, MemoryValue> values;  // by lower-cased name
};

struct MemoryRegistry {
    std::map<std::string, MemoryKey> keys;  // by lower-cased full path, root included
    std::map<intptr_t, std::string> open;
    intptr_t nextHandle = 1;
    bool denyUser = false;
    bool denyMachine = false;
    bool failEnumeration = false;
};

MemoryRegistry& registry()
{
    static MemoryRegistry instance;
    return instance;
}

std::string lowered(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::string fullKeyPath(RegRoot root, const char* path)
{
    std::string full = root == RegRoot::CurrentUser ? "hkcu" : "hklm";
    std::string rest(path);
    while (!rest.empty() && rest.back() == '\\')
        rest.pop_back();
    if (!rest.empty())
        full += "\\" + rest;
    return full;
}

RegKey openHandle(const std::string& lowerPath)
{
    RegKey key(registry().nextHandle++);
    registry().open[key.get()] = lowerPath;
    return key;
}

const std::string* pathOf(const RegKey& key)
{
    auto found = registry().open.find(key.get());
    return found == registry().open.end() ? nullptr : &found->second;
}

MemoryKey* keyOf(const RegKey& key)
{
    const std::string* path = pathOf(key);
    if (path == nullptr)
        return nullptr;
    auto found = registry().keys.find(*path);
    return found == registry().keys.end() ? nullptr : &found->second;
}

} // namespace

void resetRegistryForTests()
{
    registry() = MemoryRegistry();
}

int openRegistryKeysForTests()
{
    return static_cast<int>(registry().open.size());
}

void denyRegistryWritesForTests(RegRoot root, bool deny)
{
    (root == RegRoot::CurrentUser ? registry().denyUser : registry().denyMachine) = deny;
}

void failRegistryEnumerationForTests(bool fail)
{
    registry().failEnumeration = fail;
}

bool regOpenRead(RegRoot root, const char* path, RegKey* key)
{
    std::string lowerPath = lowered(fullKeyPath(root, path));
    if (registry().keys.count(lowerPath) == 0)
        return false;
    *key = openHandle(lowerPath);
    return true;
}

bool regCreate(RegRoot root, const char* path, RegKey* key)
{
    if (root == RegRoot::CurrentUser ? registry().denyUser : registry().denyMachine)
        return false;
    std::string full = fullKeyPath(root, path);
    // Every ancestor exists too, as on Windows.
    size_t from = 0;
    while (true) {
        size_t separator = full.find('\\', from);
        std::string prefix = full.substr(0, separator);
        MemoryKey& made = registry().keys[lowered(prefix)];
        if (made.name.empty())
            made.name = prefix.substr(prefix.rfind('\\') == std::string::npos ? 0 : prefix.rfind('\\') + 1);
        if (separator == std::string::npos)
            break;
        from = separator + 1;
    }
    *key = openHandle(lowered(full));
    return true;
}

void RegKeyTraits::close(Raw raw)
{
    registry().open.erase(raw);
}

bool regQueryValue(const RegKey& key, const char* name, void* buf, uint32_t cap, uint32_t* size, uint32_t* type)
{
    MemoryKey* opened = keyOf(key);
    if (opened == nullptr)
        return false;
    auto found = opened->values.find(lowered(name));
    if (found == opened->values.end() || found->second.data.size() > cap)
        return false;
    if (!found->second.data.empty())
        std::memcpy(buf, found->second.data.data(), found->second.data.size());
    *size = static_cast<uint32_t>(found->second.data.size());
    *type = found->second.type;
    return true;
}

bool regSetValue(const RegKey& key, const char* name, uint32_t type, const void* data, uint32_t size)
{
    MemoryKey* opened = keyOf(key);
    if (opened == nullptr)
        return false;
    MemoryValue& value = opened->values[lowered(name)];
    value.type = type;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    value.data.assign(bytes, bytes + size);
    return true;
}

RegEnum regEnumSubKey(const RegKey& key, uint32_t index, char* name, uint32_t cap)
{
    const std::string* path = pathOf(key);
    if (path == nullptr || registry().failEnumeration)
        return RegEnum::Failed;
    std::string prefix = *path + "\\";
    uint32_t seen = 0;
    for (const auto& [lowerPath, child] : registry().keys) {
        if (lowerPath.compare(0, prefix.size(), prefix) != 0 || lowerPath.find('\\', prefix.size()) != std::string::npos)
            continue;
        if (seen++ != index)
            continue;
        if (child.name.size() + 1 > cap)
            return RegEnum::TooLong;
        std::memcpy(name, child.name.c_str(), child.name.size() + 1);
        return RegEnum::Ok;
    }
    return RegEnum::NoMore;
}

