// dialog_fixture.exe: a modal dialog like the launcher's question dialog, for the
// tests of wintool.exe's window commands without the launcher. Prints the chosen
// file ("file PATH") and the command that ended the dialog ("ended ID"), and
// exits with that id. Browse opens GetOpenFileNameA (title FILE_TITLE) and ends
// the dialog once a file is chosen.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>

#include "dialog_fixture.h"

namespace {

constexpr char kFileTitle[] = "Fixture File";

void chooseFile(HWND dialog)
{
    char file[MAX_PATH] = "";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = "All files\0*.*\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrTitle = kFileTitle;
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&ofn))
        return;  // cancelled: the dialog stays
    std::printf("file %s\n", file);
    EndDialog(dialog, FIXTURE_BROWSE);
}

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SendDlgItemMessageW(dialog, FIXTURE_PROGRESS, PBM_SETRANGE32, 0, 250);
        SendDlgItemMessageW(dialog, FIXTURE_PROGRESS, PBM_SETPOS, 100, 0);
        SendDlgItemMessageW(dialog, -1, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_APPLICATION)), 0);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == FIXTURE_BROWSE)
            chooseFile(dialog);
        else if (LOWORD(wParam) == FIXTURE_DEFAULT || LOWORD(wParam) == IDCANCEL)
            EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

} // namespace

int main()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    INT_PTR ended = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(FIXTURE_DIALOG), nullptr, dialogProc, 0);
    std::printf("ended %d\n", static_cast<int>(ended));
    std::fflush(stdout);
    return static_cast<int>(ended);
}
