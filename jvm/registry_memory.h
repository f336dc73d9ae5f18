// Host build only: the host has no registry, so jvm_platform_posix.cpp keeps one
// in memory (keys compared without regard to case, sub-keys enumerated in name
// order). The unit tests fill it through the ordinary registry calls.
#pragma once
#include "jvm/jvm_platform.h"

// Drops every key and value; open handles become invalid.
void resetRegistryForTests();
// Handles opened and not yet closed (every path must close what it opens).
int openRegistryKeysForTests();
// Makes regCreate fail under root, like a user without write access there.
void denyRegistryWritesForTests(RegRoot root, bool deny);
// Makes regEnumSubKey report a failure other than the end of the list.
void failRegistryEnumerationForTests(bool fail);
