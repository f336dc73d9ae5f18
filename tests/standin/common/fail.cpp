#include "common/fail.h"

#include <windows.h>

#include "common/transcript.h"

namespace standin {

void writeStderr(const std::string& text) {
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err == nullptr || err == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(err, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void fail(const std::string& message) {
  writeStderr("standin: " + message + "\n");
  record("fail " + message);
  // ExitProcess, not exit: nothing of the caller may run after a misuse.
  ExitProcess(kMisuseExitCode);
}

}  // namespace standin
