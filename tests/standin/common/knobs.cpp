#include "common/knobs.h"

#include <windows.h>

#include <cwctype>
#include <map>
#include <sstream>

#include "common/fail.h"
#include "common/text.h"

namespace standin {
namespace {

std::map<std::string, std::wstring>& fileKnobs() {
  static std::map<std::string, std::wstring> knobs;
  return knobs;
}

std::wstring trim(const std::wstring& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::iswspace(s[b])) ++b;
  while (e > b && std::iswspace(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// Win32 file calls only: the JVM stand-in reads its knobs while it is being loaded.
std::string readFile(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
  CloseHandle(h);
  return bytes;
}

}  // namespace

void setKnobDirectory(const std::wstring& binDirectory) {
  fileKnobs().clear();
  std::wstringstream lines(fromUtf8(readFile(binDirectory + L"\\standin.env")));
  std::wstring line;
  while (std::getline(lines, line)) {
    std::wstring w = trim(line);
    if (w.empty() || w[0] == L'#') continue;
    size_t eq = w.find(L'=');
    if (eq == std::wstring::npos) {
      writeStderr("standin: " + utf8(binDirectory) + "\\standin.env: line ignored, no '=': " +
                  utf8(w) + "\n");
      continue;
    }
    fileKnobs()[utf8(trim(w.substr(0, eq)))] = trim(w.substr(eq + 1));
  }
}

std::optional<std::wstring> knob(const char* name) {
  auto it = fileKnobs().find(name);
  if (it != fileKnobs().end()) return it->second;
  std::wstring wname(name, name + strlen(name));
  DWORD n = GetEnvironmentVariableW(wname.c_str(), nullptr, 0);
  if (n == 0) return std::nullopt;
  std::wstring value(n, L'\0');
  n = GetEnvironmentVariableW(wname.c_str(), value.data(), n);
  value.resize(n);
  return value;
}

long long knobInt(const char* name, long long fallback) {
  auto v = knob(name);
  if (!v || v->empty()) return fallback;
  wchar_t* end = nullptr;
  long long n = wcstoll(v->c_str(), &end, 10);
  if (*end != L'\0') fail(std::string("knob ") + name + " is not a number: " + utf8(*v));
  return n;
}

bool knobFlag(const char* name) {
  auto v = knob(name);
  if (!v) return false;
  std::wstring s;
  for (wchar_t c : *v) s += static_cast<wchar_t>(std::towlower(c));
  return s == L"1" || s == L"true" || s == L"yes";
}

bool knobListHas(const char* name, const std::string& item) {
  auto v = knob(name);
  if (!v) return false;
  std::wstringstream list(*v);
  std::wstring entry;
  while (std::getline(list, entry, L',')) {
    if (utf8(trim(entry)) == item) return true;
  }
  return false;
}

}  // namespace standin
