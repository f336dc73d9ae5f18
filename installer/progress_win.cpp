#include "installer/progress.h"

#include <windows.h>
#include <commctrl.h>

namespace {
constexpr int kProgressBarControl = 1001;
}

void setProgressBarPosition(void* dialog, int position)
{
    if (dialog != nullptr)
        SendDlgItemMessageA(static_cast<HWND>(dialog), kProgressBarControl, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void setProgressBarRange(void* dialog, int total)
{
    if (dialog != nullptr)
        SendDlgItemMessageA(static_cast<HWND>(dialog), kProgressBarControl, PBM_SETRANGE, 0, MAKELPARAM(0, total));
}
