#include "installer/window_text.h"

#include <windows.h>

#include "fs/text_buffer.h"
#include "payload/config_store.h"

void setWindowTextWide(void* window, const WideChar* text)
{
    SetWindowTextW(static_cast<HWND>(window), text);
}

void setDlgItemTextWide(void* dialog, int control, const WideChar* text)
{
    SetDlgItemTextW(static_cast<HWND>(dialog), control, text);
}

void setDlgItemTextFromEntry(void* dialog, int control, int entry)
{
    WideChar text[kTextBufferSize];
    getWideString(entry, text);
    setDlgItemTextWide(dialog, control, text);
}

void centerWindow(void* window)
{
    HWND hwnd = static_cast<HWND>(window);
    HWND reference = GetParent(hwnd);
    if (reference == nullptr)
        reference = GetDesktopWindow();
    RECT area;
    RECT own;
    if (!GetWindowRect(reference, &area) || !GetWindowRect(hwnd, &own))
        return;
    int width = own.right - own.left;
    int height = own.bottom - own.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE);
}

void showDialogItem(void* dialog, int control, bool show)
{
    ShowWindow(GetDlgItem(static_cast<HWND>(dialog), control), show ? SW_SHOW : SW_HIDE);
}
