// wintool.exe's window commands (wintool_windows.cpp); wintool.cpp dispatches.
#pragma once

#include <windows.h>

HWND parseWindowHandle(const wchar_t* hex);
int waitWindowCommand(DWORD processId, const wchar_t* cls, const wchar_t* title, DWORD timeoutMs, bool visible);
// The font a dialog template names, for dialog units when the dialog's own
// font cannot be read (another process's dialog under Wine).
struct TemplateFont {
    int points = 0;
    const wchar_t* face = nullptr;
};

int dumpWindowCommand(HWND window, const TemplateFont& templateFont);
int clickCommand(HWND dialog, int controlId);
int keyCommand(HWND dialog, const wchar_t* key);
int closeCommand(HWND window);
int chooseFileCommand(DWORD processId, const wchar_t* title, const wchar_t* path, DWORD timeoutMs);
