// The in-memory registry of the host tests (registry_memory.cpp) and its knobs.
#pragma once
#include "fs/registry.h"

// Drops every key and value; open handles become invalid.
void resetRegistryForTests();
// Handles opened and not yet closed (every path must close what it opens).
int openRegistryKeysForTests();
// Makes regCreate fail under root, like a user without write access there.
void denyRegistryWritesForTests(RegRoot root, bool deny);
// Makes regEnumSubKey report a failure other than the end of the list.
void failRegistryEnumerationForTests(bool fail);
