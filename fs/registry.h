// The registry, for the layers that keep state there (the runtime search's
// caches, the single-instance process ids). registry_win.cpp implements it with
// Win32; the host has no registry, its test bed brings an in-memory one
// (tests/support/registry_memory.cpp).
#pragma once
#include <cstdint>

#include "fs/unique_handle.h"

enum class RegRoot { CurrentUser, LocalMachine };

struct RegKeyTraits {
    using Raw = intptr_t;
    static constexpr Raw kNone = 0;
    static void close(Raw raw);
};
// An open registry key; closed when it goes.
using RegKey = UniqueHandle<RegKeyTraits>;

constexpr uint32_t kRegString = 1;        // REG_SZ
constexpr uint32_t kRegExpandString = 2;  // REG_EXPAND_SZ
constexpr uint32_t kRegBinary = 3;        // REG_BINARY

// Opens path (no trailing backslash) under root with read access.
bool regOpenRead(RegRoot root, const char* path, RegKey* key);
// Creates or opens path under root: non-volatile, all access.
bool regCreate(RegRoot root, const char* path, RegKey* key);
// The value's bytes into buf; false when it is missing or does not fit in cap.
bool regQueryValue(const RegKey& key, const char* name, void* buf, uint32_t cap, uint32_t* size, uint32_t* type);
bool regSetValue(const RegKey& key, const char* name, uint32_t type, const void* data, uint32_t size);

enum class RegEnum { Ok, NoMore, TooLong, Failed };
// Name of the index-th sub-key (capacity cap, terminator included).
RegEnum regEnumSubKey(const RegKey& key, uint32_t index, char* name, uint32_t cap);
