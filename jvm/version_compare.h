// Java versions compared by their components, as people read them: 17 is above
// 9, 1.10.0 above 1.6, 1.6.0_45 above 1.6.0_7. ".", "_", "-" and "+" separate
// components ("1.8.0_292", "17.0.2+8", "21-ea"); within a component digit runs
// compare as numbers and other text byte-wise. Plain functions without state, so
// that the build tool judges limits by the same rule as the launcher.
#pragma once
#include <cstddef>

// How many components the version has ("" has none).
size_t versionComponentCount(const char* version);

// Compares the first count components of a and b (all of them for a count
// larger than both have): <0, 0 or >0. A missing component sorts below any
// present one, so 1.6 is below 1.6.0.
int compareVersionComponents(const char* a, const char* b, size_t count);

// All components: compareVersionComponents(a, b, SIZE_MAX).
int compareVersions(const char* a, const char* b);

// A version as a limit or a key name may be written: components of letters and
// digits, the first starting with a digit, separated by single separators.
bool isVersionText(const char* text);
