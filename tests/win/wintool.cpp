// wintool.exe: small Windows-side queries for the scenario tests, answered
// through the Win32 API as the launcher would see it. Output is UTF-8 on stdout.
//
//   wintool.exe short-path PATH    the 8.3 form (GetShortPathNameW)
//   wintool.exe long-path PATH     the long form (GetLongPathNameW)
//   wintool.exe code-pages         "<ANSI> <OEM>" code page numbers
//   wintool.exe window TITLE state|minimize|close
//                                  the top-level window of that title: prints
//                                  "minimized" or "normal" (after minimising);
//                                  close posts WM_CLOSE
//
// Windows of another process (wintool_windows.cpp; PID 0: any process, HWND as
// wait-window prints it, in hex):
//
//   wintool.exe wait-window PID CLASS|- TITLE|- TIMEOUT_MS [visible]
//                                  waits for a top-level window of that exact
//                                  class and title ("-": any); prints its handle
//   wintool.exe dump HWND [POINTS FACE]
//                                  the window and its controls as one JSON
//                                  object; dialog units from the dialog's font,
//                                  else from the template's FONT POINTS, FACE
//   wintool.exe click HWND ID      presses the button (BM_CLICK)
//   wintool.exe key HWND enter|escape
//                                  the key to the dialog's focused control
//   wintool.exe close HWND         the close box (SC_CLOSE)
//   wintool.exe choose-file PID TITLE PATH TIMEOUT_MS
//                                  fills the file-open dialog of that title and
//                                  presses Open; fails unless it then closes
//
// A program's resources (wintool_resources.cpp):
//
//   wintool.exe resources EXE      its version information and icon 1001 as JSON
//
// and, to check runner.exe itself:
//
//   wintool.exe command-line       GetCommandLineW
//   wintool.exe env NAME           the variable's value (exit code 1: not set)
//   wintool.exe cwd                the current directory
//   wintool.exe exit N             "out" on stdout, "err" on stderr, exit code N
//   wintool.exe sleep SECONDS
//   wintool.exe run-self REST      starts wintool.exe with the command line's text
//                                  after "run-self ", waits, returns its exit code
//   wintool.exe box STYLE CAPTION TEXT [STYLE CAPTION TEXT]...
//                                  MessageBoxW for each; prints the buttons' ids
//
// Exit code 0 on success, 1 when the call failed, 2 on bad usage.
#include <windows.h>

#include "wintool_resources.h"
#include "wintool_windows.h"

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

int window(const wchar_t* title, const wchar_t* action)
{
    HWND hwnd = FindWindowW(nullptr, title);
    if (hwnd == nullptr) {
        std::fprintf(stderr, "wintool: no window of that title\n");
        return 1;
    }
    if (std::wcscmp(action, L"close") == 0)
        return PostMessageW(hwnd, WM_CLOSE, 0, 0) ? 0 : 1;
    if (std::wcscmp(action, L"minimize") == 0)
        ShowWindow(hwnd, SW_MINIMIZE);
    else if (std::wcscmp(action, L"state") != 0)
        return 2;
    return print(IsIconic(hwnd) ? L"minimized" : L"normal");
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
    if (argc == 4 && std::wcscmp(argv[1], L"window") == 0)
        return window(argv[2], argv[3]);
    if ((argc == 6 || (argc == 7 && std::wcscmp(argv[6], L"visible") == 0)) &&
        std::wcscmp(argv[1], L"wait-window") == 0)
        return waitWindowCommand(static_cast<DWORD>(_wtoi(argv[2])), argv[3], argv[4],
                                 static_cast<DWORD>(_wtoi(argv[5])), argc == 7);
    if ((argc == 3 || argc == 5) && std::wcscmp(argv[1], L"dump") == 0)
        return dumpWindowCommand(parseWindowHandle(argv[2]),
                                 argc == 5 ? TemplateFont{_wtoi(argv[3]), argv[4]} : TemplateFont{});
    if (argc == 4 && std::wcscmp(argv[1], L"click") == 0)
        return clickCommand(parseWindowHandle(argv[2]), _wtoi(argv[3]));
    if (argc == 4 && std::wcscmp(argv[1], L"key") == 0)
        return keyCommand(parseWindowHandle(argv[2]), argv[3]);
    if (argc == 3 && std::wcscmp(argv[1], L"close") == 0)
        return closeCommand(parseWindowHandle(argv[2]));
    if (argc == 6 && std::wcscmp(argv[1], L"choose-file") == 0)
        return chooseFileCommand(static_cast<DWORD>(_wtoi(argv[2])), argv[3], argv[4],
                                 static_cast<DWORD>(_wtoi(argv[5])));
    if (argc == 3 && std::wcscmp(argv[1], L"resources") == 0)
        return resourcesCommand(argv[2]);
    if (argc >= 2 && std::wcscmp(argv[1], L"command-line") == 0)
        return print(GetCommandLineW());
    if (argc == 3 && std::wcscmp(argv[1], L"env") == 0) {
        wchar_t value[32768];
        SetLastError(ERROR_SUCCESS);
        DWORD n = GetEnvironmentVariableW(argv[2], value, 32768);
        if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND)
            return 1;
        return print(std::wstring(value, n));
    }
    if (argc == 2 && std::wcscmp(argv[1], L"cwd") == 0) {
        wchar_t dir[32768];
        DWORD n = GetCurrentDirectoryW(32768, dir);
        return print(std::wstring(dir, n));
    }
    if (argc == 3 && std::wcscmp(argv[1], L"exit") == 0) {
        std::fputs("out\n", stdout);
        std::fputs("err\n", stderr);
        std::fflush(stdout);
        std::fflush(stderr);
        return _wtoi(argv[2]);
    }
    if (argc == 3 && std::wcscmp(argv[1], L"sleep") == 0) {
        Sleep(static_cast<DWORD>(_wtoi(argv[2])) * 1000);
        return 0;
    }
    if (argc >= 3 && std::wcscmp(argv[1], L"run-self") == 0) {
        std::wstring line = GetCommandLineW();
        size_t at = line.find(L"run-self ");
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring child = L"wintool.exe " + line.substr(at + 9);
        STARTUPINFOW startup;
        ZeroMemory(&startup, sizeof startup);
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process;
        if (!CreateProcessW(self, child.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
            return 1;
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return static_cast<int>(code);
    }
    if (argc >= 5 && (argc - 2) % 3 == 0 && std::wcscmp(argv[1], L"box") == 0) {
        for (int i = 2; i < argc; i += 3) {
            int answer = MessageBoxW(nullptr, argv[i + 2], argv[i + 1], static_cast<UINT>(_wtoi(argv[i])));
            print(std::to_wstring(answer));
            std::fflush(stdout);
        }
        return 0;
    }
    std::fprintf(stderr, "usage: wintool.exe short-path PATH | long-path PATH | code-pages | command-line | "
                         "env NAME | cwd | exit N | sleep SECONDS | run-self REST | box STYLE CAPTION TEXT... | "
                         "window TITLE state|minimize|close | wait-window PID CLASS TITLE TIMEOUT_MS [visible] | "
                         "dump HWND [POINTS FACE] | click HWND ID | key HWND enter|escape | close HWND | "
                         "choose-file PID TITLE PATH TIMEOUT_MS | resources EXE\n");
    return 2;
}
