// wintool.exe: small Windows-side queries for the scenario tests, answered
// through the Win32 API as the launcher would see it. Output is UTF-8 on stdout.
//
//   wintool.exe short-path PATH    the 8.3 form (GetShortPathNameW)
//   wintool.exe long-path PATH     the long form (GetLongPathNameW)
//   wintool.exe code-pages         "<ANSI> <OEM>" code page numbers
//
// Exit code 0 on success, 1 when the call failed, 2 on bad usage.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

int print(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputc('\n', stdout);
    return 0;
}

int convertPath(DWORD (WINAPI* convert)(LPCWSTR, LPWSTR, DWORD), const wchar_t* path)
{
    wchar_t buffer[32768];
    DWORD n = convert(path, buffer, 32768);
    if (n == 0 || n >= 32768) {
        std::fprintf(stderr, "wintool: error %lu\n", GetLastError());
        return 1;
    }
    return print(std::wstring(buffer, n));
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 3 && std::wcscmp(argv[1], L"short-path") == 0)
        return convertPath(GetShortPathNameW, argv[2]);
    if (argc == 3 && std::wcscmp(argv[1], L"long-path") == 0)
        return convertPath(GetLongPathNameW, argv[2]);
    if (argc == 2 && std::wcscmp(argv[1], L"code-pages") == 0)
        return print(std::to_wstring(GetACP()) + L" " + std::to_wstring(GetOEMCP()));
    std::fprintf(stderr, "usage: wintool.exe short-path PATH | long-path PATH | code-pages\n");
    return 2;
}
