// java.exe / javaw.exe stand-in: answers "-version" as a runtime would, on
// standard error, with the version and behaviour the knobs choose.
#include <windows.h>

#include <string>

#include "common/fail.h"
#include "common/knobs.h"
#include "common/module_path.h"
#include "common/text.h"
#include "common/transcript.h"

using namespace standin;

namespace {

std::string versionOutput() {
  std::string version = ansi(knob("KVELL_STANDIN_JAVA_VERSION").value_or(L"17.0.2"));
  std::string first = "openjdk version \"" + version + "\"";
  if (auto line = knob("KVELL_STANDIN_JAVA_FIRST_LINE")) first = ansi(*line);
  // Line ends as a Windows runtime writes them.
  return first + "\r\n" + "OpenJDK Runtime Environment (build " + version + "+8)\r\n" +
         "OpenJDK 64-Bit Server VM (build " + version + "+8, mixed mode, sharing)\r\n";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  setComponent("java");
  std::wstring exe = modulePath(nullptr);
  setKnobDirectory(directoryOf(exe));
  record("run " + utf8(exe) + " cmdline=" + utf8(GetCommandLineW()));
  if (argc != 2 || std::wstring(argv[1]) != L"-version") {
    fail("java.exe stand-in only answers -version");
  }
  auto sleep = knob("KVELL_STANDIN_JAVA_SLEEP_MS");
  if (sleep && *sleep == L"forever") {
    Sleep(INFINITE);
  } else if (long long ms = knobInt("KVELL_STANDIN_JAVA_SLEEP_MS", 0); ms > 0) {
    Sleep(static_cast<DWORD>(ms));
  }
  if (!knobFlag("KVELL_STANDIN_JAVA_SILENT")) writeStderr(versionOutput());
  int code = static_cast<int>(knobInt("KVELL_STANDIN_JAVA_EXIT", 0));
  record("exit " + std::to_string(code));
  return code;
}
