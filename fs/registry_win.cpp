#include "fs/registry.h"

#include <windows.h>

namespace {
HKEY rootKey(RegRoot root)
{
    return root == RegRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

HKEY toKey(const RegKey& key)
{
    return reinterpret_cast<HKEY>(key.get());
}
} // namespace

bool regOpenRead(RegRoot root, const char* path, RegKey* key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(rootKey(root), path, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    key->reset(reinterpret_cast<intptr_t>(opened));
    return true;
}

bool regCreate(RegRoot root, const char* path, RegKey* key)
{
    HKEY created = nullptr;
    if (RegCreateKeyExA(rootKey(root), path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &created,
                        nullptr) != ERROR_SUCCESS)
        return false;
    key->reset(reinterpret_cast<intptr_t>(created));
    return true;
}

void RegKeyTraits::close(Raw raw)
{
    RegCloseKey(reinterpret_cast<HKEY>(raw));
}

bool regQueryValue(const RegKey& key, const char* name, void* buf, uint32_t cap, uint32_t* size, uint32_t* type)
{
    DWORD got = cap;
    DWORD kind = 0;
    if (RegQueryValueExA(toKey(key), name, nullptr, &kind, static_cast<BYTE*>(buf), &got) != ERROR_SUCCESS)
        return false;
    *size = got;
    *type = kind;
    return true;
}

bool regSetValue(const RegKey& key, const char* name, uint32_t type, const void* data, uint32_t size)
{
    return RegSetValueExA(toKey(key), name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

RegEnum regEnumSubKey(const RegKey& key, uint32_t index, char* name, uint32_t cap)
{
    DWORD length = cap;
    LONG status = RegEnumKeyExA(toKey(key), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS)
        return RegEnum::Ok;
    if (status == ERROR_NO_MORE_ITEMS)
        return RegEnum::NoMore;
    return status == ERROR_MORE_DATA ? RegEnum::TooLong : RegEnum::Failed;
}
