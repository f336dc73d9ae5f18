#include "installer/install_marker.h"

#include <windows.h>

namespace {
constexpr char kMarkerKey[] = "SOFTWARE\\brisco-labworks\\kvell\\";
constexpr char kMarkerValue[] = "InstallStarted";
} // namespace

void writeInstallMarkerValue(bool started)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kMarkerKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    DWORD value = started ? 1 : 0;
    RegSetValueExA(key, kMarkerValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

bool readInstallMarkerValue()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kMarkerKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD value = 0;
    DWORD size = sizeof value;
    LONG result = RegQueryValueExA(key, kMarkerValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && value != 0;
}
