// Loud failure of a stand-in: the caller broke the protocol it relies on.
#pragma once
#include <string>

namespace standin {

// Exit code of every stand-in that was misused, distinct from the launcher's own.
constexpr int kMisuseExitCode = 86;

// Prints "standin: <message>" on standard error, records "fail <message>" and
// ends the process with kMisuseExitCode.
[[noreturn]] void fail(const std::string& message);

// Writes text to standard error as it is (no conversion).
void writeStderr(const std::string& text);

}  // namespace standin
