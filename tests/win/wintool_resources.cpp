// wintool.exe resources: a program's version information and its icon 1001 as
// the Windows resource functions see them, for the tests of the resources that
// kvellpack writes.
#include "wintool_resources.h"

#include <cstdio>
#include <string>

#include "json_text.h"

namespace {

constexpr int kIconId = 1001;  // installer/dialog_ids.h: KVELL_ICON_ID
const wchar_t* const kVersionStrings[] = {L"CompanyName",      L"FileDescription", L"FileVersion",
                                          L"LegalCopyright",   L"OriginalFilename", L"ProductName",
                                          L"ProductVersion"};

std::string versionText(const VS_FIXEDFILEINFO& fixed, bool product)
{
    DWORD high = product ? fixed.dwProductVersionMS : fixed.dwFileVersionMS;
    DWORD low = product ? fixed.dwProductVersionLS : fixed.dwFileVersionLS;
    char text[64];
    std::snprintf(text, sizeof text, "\"%lu.%lu.%lu.%lu\"", static_cast<unsigned long>(HIWORD(high)),
                  static_cast<unsigned long>(LOWORD(high)), static_cast<unsigned long>(HIWORD(low)),
                  static_cast<unsigned long>(LOWORD(low)));
    return text;
}

// "version": {"file": ..., "product": ..., "strings": {...}} through GetFileVersionInfo.
std::string versionJson(const wchar_t* path)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    std::string buffer(size, '\0');
    if (size == 0 || !GetFileVersionInfoW(path, 0, size, buffer.data()))
        return "null";
    std::string out = "{";
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(buffer.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed != nullptr)
        out += "\"file\": " + versionText(*fixed, false) + ", \"product\": " + versionText(*fixed, true) + ", ";
    // The string table named by the first translation, as Explorer reads it.
    WORD* translation = nullptr;
    if (!VerQueryValueW(buffer.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                        &length) || length < 4)
        return out + "\"strings\": null}";
    wchar_t table[64];
    std::swprintf(table, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    out += "\"strings\": {";
    bool first = true;
    for (const wchar_t* name : kVersionStrings) {
        wchar_t* value = nullptr;
        if (!VerQueryValueW(buffer.data(), (std::wstring(table) + name).c_str(), reinterpret_cast<void**>(&value),
                            &length) || value == nullptr)
            continue;
        out += first ? "" : ", ";
        first = false;
        appendJsonString(out, name);
        out += ": ";
        appendJsonString(out, std::wstring(value));
    }
    return out + "}}";
}

// The loaded icon's colour bitmap: its width and the colour of its centre pixel.
std::string iconJson(HICON icon)
{
    ICONINFO info;
    if (icon == nullptr || !GetIconInfo(icon, &info))
        return "null";
    BITMAP bitmap;
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = bitmap.bmWidth;
    format.bmiHeader.biHeight = -bitmap.bmHeight;  // top-down
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    std::string pixels(static_cast<size_t>(bitmap.bmWidth) * bitmap.bmHeight * 4, '\0');
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, info.hbmColor, 0, static_cast<UINT>(bitmap.bmHeight), pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    size_t centre = (static_cast<size_t>(bitmap.bmHeight / 2) * bitmap.bmWidth + bitmap.bmWidth / 2) * 4;
    char text[96];
    std::snprintf(text, sizeof text, "{\"width\": %ld, \"centre\": [%u, %u, %u]}", bitmap.bmWidth,
                  static_cast<unsigned char>(pixels[centre + 2]), static_cast<unsigned char>(pixels[centre + 1]),
                  static_cast<unsigned char>(pixels[centre]));
    return text;
}

// "icon": LoadIcon's result and, per requested size, what LoadImage loads.
std::string iconsJson(const wchar_t* path)
{
    HMODULE module = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr)
        return "null";
    HICON standard = LoadIconW(module, MAKEINTRESOURCEW(kIconId));
    std::string out = "{\"load_icon\": " + std::string(standard != nullptr ? "true" : "false") + ", \"sizes\": {";
    bool first = true;
    for (int side : {16, 32, 48, 256}) {
        HICON icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(kIconId), IMAGE_ICON, side, side, 0));
        out += (first ? "\"" : ", \"") + std::to_string(side) + "\": " + iconJson(icon);
        first = false;
        if (icon != nullptr)
            DestroyIcon(icon);
    }
    FreeLibrary(module);
    return out + "}}";
}

}  // namespace

int resourcesCommand(const wchar_t* path)
{
    std::string out = "{\"version\": " + versionJson(path) + ", \"icon\": " + iconsJson(path) + "}\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
