#include "instance/process_windows.h"

#include <windows.h>

#include "diag/log.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

namespace {

struct Activation {
    DWORD pid;
    bool restoreMinimised;
};

struct Count {
    DWORD pid;
    HWND console;
    int windows;
};

bool isVisibleWindowOf(HWND window, DWORD pid)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return pid != 0 && owner == pid && IsWindowVisible(window);
}

BOOL CALLBACK activateOne(HWND window, LPARAM param)
{
    const Activation& activation = *reinterpret_cast<const Activation*>(param);
    if (!isVisibleWindowOf(window, activation.pid))
        return TRUE;
    logInfo("found window %p", static_cast<void*>(window));
    if (activation.restoreMinimised && IsIconic(window)) {
        logInfo("restore");
        ShowWindow(window, SW_RESTORE);
    }
    logInfo("foreground");
    SetForegroundWindow(window);
    logInfo("popup");
    SetForegroundWindow(GetLastActivePopup(window));
    logInfo("done");
    return TRUE;
}

BOOL CALLBACK countOne(HWND window, LPARAM param)
{
    Count& count = *reinterpret_cast<Count*>(param);
    if (window != count.console && isVisibleWindowOf(window, count.pid))
        ++count.windows;
    return TRUE;
}

// This process's console window, looked up once: a console program's console
// is a visible window of its own, but it is not a window the program opened.
// A windowed program (entry 107 = 1) has none.
HWND ownConsoleWindow()
{
    static bool looked = false;
    static HWND console = nullptr;
    if (!looked) {
        looked = true;
        if (getInt(cfg::kProgramType) != 1)
            console = GetConsoleWindow();
    }
    return console;
}

} // namespace

void activateProcessWindows(uint32_t pid, bool restoreMinimised)
{
    Activation activation{static_cast<DWORD>(pid), restoreMinimised};
    EnumWindows(activateOne, reinterpret_cast<LPARAM>(&activation));
}

int countVisibleProcessWindows(uint32_t pid)
{
    Count count{static_cast<DWORD>(pid), ownConsoleWindow(), 0};
    EnumWindows(countOne, reinterpret_cast<LPARAM>(&count));
    return count.windows;
}
