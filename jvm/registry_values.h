// Reading string values from the registry, and the registry names of paths.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "fs/registry.h"

// The launcher's own keys.
extern const char* const kVersionCacheKey;  // one sub-key per Java executable
extern const char* const kLocatedJvmsKey;   // one sub-key per located Java executable

// A string value (REG_SZ or REG_EXPAND_SZ, not expanded) of an open key into buf,
// always terminated; false when it is missing, of another type or does not fit.
bool queryRegistryString(const RegKey& key, const char* name, char* buf, size_t cap);
// Opens path under root for reading, reads one string value, closes.
bool readRegistryString(RegRoot root, const char* path, const char* name, char* buf, size_t cap);

// The names of the sub-keys of path under root, in the registry's order; a name
// too long for the buffers is passed over, an enumeration failure ends the list
// (both logged). false when the key cannot be opened.
bool subKeyNames(RegRoot root, const char* path, std::vector<std::string>* names);

// Registry key names cannot hold backslashes: a path's name has forward slashes.
// false when it does not fit.
bool registryNameOf(const char* path, char* out, size_t cap);
// The way back: forward slashes become the platform's path separator.
void pathFromRegistryName(char* name);
// keyPath, a backslash, then the registry name of path.
bool registryKeyFor(const char* keyPath, const char* path, char* out, size_t cap);
