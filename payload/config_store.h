// The ConfigStore: every configuration entry of the Payload, by number. Filled
// once while the Payload is read, read-only afterwards (no lock needed).
#pragma once
#include <cstddef>
#include <map>
#include <string>
#include "fs/wide.h"

struct ConfigStore {
    std::map<int, std::string> strings;
    std::map<int, WideString> wides;
};

// The process's store.
ConfigStore& configStore();

// Copies the string entry into buf (capacity cap); absent ids give "". A value
// longer than the buffer is cut, never written past it.
void getString(int id, char* buf, size_t cap);
// Copies the wide entry into buf of 8192 wide characters (or cap); absent gives "".
void getWideString(int id, WideChar* buf, size_t cap = 8192);
// Integer value like atoi: leading blanks, sign, digits up to the first non-digit.
int getInt(int id);

// atoi-style conversion used by getInt, exposed for the build tool and tests.
int parseLeadingInt(const char* text);
