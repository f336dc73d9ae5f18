// Reading windows that may belong to another process (class, text, controls),
// shared by runner.exe and wintool.exe.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>

inline std::wstring className(HWND window)
{
    wchar_t name[256];
    int n = GetClassNameW(window, name, 256);
    return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

// The window's text through WM_GETTEXT (marshalled across processes), so that it
// also works for controls of another process; GetWindowTextW does not ask them.
inline std::wstring windowText(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
        length = 0;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 2000, &copied)) {
        int n = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
        copied = n > 0 ? static_cast<DWORD_PTR>(n) : 0;
    }
    text.resize(std::min<size_t>(copied, text.size()));
    return text;
}

// The dialog's control of that id: a direct child, else the first descendant
// (Windows' newer file dialog keeps its file name field deeper down).
inline HWND findControl(HWND dialog, int id)
{
    if (HWND direct = GetDlgItem(dialog, id))
        return direct;
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (GetDlgCtrlID(child) != s->id)
                return TRUE;
            s->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}
