#include "common/transcript.h"

#include <windows.h>

#include "common/knobs.h"
#include "common/text.h"

namespace standin {
namespace {

const char* component = "standin";

void writeAll(HANDLE h, const std::string& bytes) {
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

void setComponent(const char* name) { component = name; }

void record(const std::string& item) {
  std::string line = std::string(component) + " " + oneLine(item) + "\n";
  auto path = knob("KVELL_STANDIN_TRANSCRIPT");
  if (!path || path->empty()) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE) writeAll(out, line);
    return;
  }
  // Opened per line: several processes append to one file, and a process that
  // ends abruptly loses nothing.
  HANDLE h = CreateFileW(path->c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  writeAll(h, line);
  CloseHandle(h);
}

}  // namespace standin
