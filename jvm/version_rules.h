// When a Java version is good enough. Versions are compared by their components
// (version_compare.h): a minimum of 9 accepts 17, a minimum of 1.6 accepts 1.10.0.
#pragma once
#include <cstddef>

// Pre-release markers ("beta", "ea", "rc") are refused unless allowBeta or
// configuration entry 130 allows them. Both limits are inclusive prefixes: a
// maximum of 1.6 accepts 1.6.0_45 and rejects 1.7.0. Empty limits do not restrict.
bool isVersionAccepted(const char* version, const char* minimum, const char* maximum, bool allowBeta);

// The looser test on registry key names: each side compares only as many
// components as the shorter of the two has, so 1.6 passes a minimum of 1.6.0_10.
bool isKeyVersionInRange(const char* version, const char* minimum, const char* maximum);

// The version on the first line of "-version" output that begins with
// java version "  or  openjdk version ", up to its closing quote. false when
// there is none, or it is empty or not closed.
bool parseVersionLine(const char* line, char* version, size_t cap);
