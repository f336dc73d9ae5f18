#include "installer/reboot.h"

#include <windows.h>

#include "fs/paths.h"

namespace {
constexpr DWORD kRebootDelayMillis = 5000;

// The shutdown privilege must be enabled in our own token; without it there is
// no restart (and no message).
bool enableShutdownPrivilege()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    TOKEN_PRIVILEGES privileges;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool ok = LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid) != 0;
    if (ok) {
        SetLastError(ERROR_SUCCESS);
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        ok = GetLastError() == ERROR_SUCCESS;
    }
    CloseHandle(token);
    return ok;
}
} // namespace

void rebootMachine()
{
    Sleep(kRebootDelayMillis);
    if (isWindowsNT() && !enableShutdownPrivilege())
        return;
    ExitWindowsEx(EWX_REBOOT, 0);
}
