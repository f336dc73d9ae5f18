// Knobs: settings that make a stand-in misbehave on purpose. A knob is read
// from "standin.env" in the runtime's bin directory (NAME=VALUE lines), so that
// two runtimes in one test can differ, and otherwise from the environment.
#pragma once
#include <optional>
#include <string>

namespace standin {

// Sets the runtime's bin directory, whose standin.env is consulted first.
void setKnobDirectory(const std::wstring& binDirectory);

std::optional<std::wstring> knob(const char* name);
// A decimal integer; fallback when unset or empty; a clear error and exit 86
// when malformed.
long long knobInt(const char* name, long long fallback);
// "1", "true" or "yes" (any case) is true.
bool knobFlag(const char* name);
// Whether a comma-separated knob lists the item (exact match, blanks trimmed).
bool knobListHas(const char* name, const std::string& item);

}  // namespace standin
