// Which names an included file may have. kvellpack refuses the others when it
// packs; the launcher refuses them before it extracts anything, since Payloads
// may come from other tools.
#pragma once
#include <cstddef>

#include "fs/wide.h"

enum class IncludedNameFault {
    None,
    NotPlain,            // empty, "." or "..", or holds "\", "/" or ":"
    TooLong,             // more than kMaxIncludedNameUnits UTF-16 units
    TrailingDotOrBlank,  // Windows drops them and writes another file
    DeviceName,          // CON, NUL, COM1, ... with or without extension
};

// The longest file name Windows allows, in UTF-16 units.
constexpr size_t kMaxIncludedNameUnits = 255;

IncludedNameFault includedNameFault(const WideString& name);
// Why, as "is not a plain file name", for messages and the log.
const char* includedNameFaultText(IncludedNameFault fault);
