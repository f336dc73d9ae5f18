// unpack200.exe stand-in: "unpack200 [-r] <pack> <jar>" restores a stand-in
// pack file, which is the marker line "KVELLPACK" followed by the jar's bytes.
#include <windows.h>

#include <string>
#include <vector>

#include "common/fail.h"
#include "common/knobs.h"
#include "common/module_path.h"
#include "common/text.h"
#include "common/transcript.h"

using namespace standin;

namespace {

const std::string kMagic = "KVELLPACK\n";

[[noreturn]] void refuse(int code, const std::string& message) {
  writeStderr("unpack200: " + message + "\n");
  record("error " + message);
  ExitProcess(static_cast<UINT>(code));
}

bool readAll(const std::wstring& path, std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  char buffer[65536];
  DWORD n = 0;
  while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
  CloseHandle(h);
  return true;
}

bool writeAll(const std::wstring& path, const char* data, size_t size) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(h, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
  CloseHandle(h);
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  setComponent("unpack200");
  std::wstring exe = modulePath(nullptr);
  setKnobDirectory(directoryOf(exe));
  record("run " + utf8(exe) + " cmdline=" + utf8(GetCommandLineW()));

  std::vector<std::wstring> args(argv + 1, argv + argc);
  bool remove = !args.empty() && args[0] == L"-r";
  if (remove) args.erase(args.begin());
  if (args.size() != 2) refuse(2, "usage: unpack200 [-r] <pack file> <jar file>");
  const std::wstring& pack = args[0];
  const std::wstring& jar = args[1];

  if (long long ms = knobInt("KVELL_STANDIN_UNPACK_SLEEP_MS", 0); ms > 0) {
    Sleep(static_cast<DWORD>(ms));
  }
  if (knobFlag("KVELL_STANDIN_UNPACK_FAIL")) refuse(1, "failing as asked (KVELL_STANDIN_UNPACK_FAIL)");

  std::string bytes;
  if (!readAll(pack, bytes)) refuse(3, "cannot read " + utf8(pack));
  if (bytes.compare(0, kMagic.size(), kMagic) != 0) {
    refuse(3, utf8(pack) + " is not a stand-in pack file (no KVELLPACK line)");
  }
  if (!writeAll(jar, bytes.data() + kMagic.size(), bytes.size() - kMagic.size())) {
    refuse(3, "cannot write " + utf8(jar));
  }
  record("unpacked " + utf8(pack) + " -> " + utf8(jar));
  if (remove) {
    if (!DeleteFileW(pack.c_str())) refuse(3, "cannot remove " + utf8(pack));
    record("removed " + utf8(pack));
  }
  return 0;
}
