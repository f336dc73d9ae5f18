// wintool.exe's window commands: find, read and drive the top-level windows of
// another process (the launcher's dialogs) for the scenario tests. Everything
// crosses the process boundary, so only messages Windows marshals (or that
// carry no pointer) are sent; presses are posted, as input would be, so that
// the dialog's own message loop and dialog manager handle them.
#include "wintool_windows.h"

#include "json_text.h"
#include "window_query.h"

#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr DWORD kPollMillis = 20;
constexpr UINT kSendTimeoutMillis = 2000;
// The file-open dialog's file name field: the combo box (cmb13) of the
// Explorer-style dialog, the edit field (edt1) of the old one.
constexpr int kFileNameCombo = 0x47C;
constexpr int kFileNameEdit = 0x480;

int failWith(const char* what)
{
    std::fprintf(stderr, "wintool: %s\n", what);
    return 1;
}

LRESULT sendTo(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMillis, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

struct Wanted {
    DWORD processId;
    const wchar_t* cls;    // nullptr: any
    const wchar_t* title;  // nullptr: any
    bool visible;
    HWND found = nullptr;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM param)
{
    auto* wanted = reinterpret_cast<Wanted*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if ((wanted->processId != 0 && owner != wanted->processId) || (wanted->visible && !IsWindowVisible(window)) ||
        (wanted->cls != nullptr && className(window) != wanted->cls) ||
        (wanted->title != nullptr && windowText(window) != wanted->title))
        return TRUE;
    wanted->found = window;
    return FALSE;
}

// Polls here rather than in Python: each wintool start costs Wine a process.
HWND waitForWindow(Wanted wanted, ULONGLONG deadline)
{
    while (true) {
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&wanted));
        if (wanted.found != nullptr || GetTickCount64() >= deadline)
            return wanted.found;
        Sleep(kPollMillis);
    }
}

const wchar_t* anyIfDash(const wchar_t* text)
{
    return std::wcscmp(text, L"-") == 0 ? nullptr : text;
}

void printUtf8Line(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

std::string hex(unsigned long long value)
{
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%llx", value);
    return buffer;
}

std::string boolean(bool value)
{
    return value ? "true" : "false";
}

std::string numbers(std::initializer_list<long> values)
{
    std::string out = "[";
    for (long v : values)
        out += (out.size() > 1 ? ", " : "") + std::to_string(v);
    return out + "]";
}

// 16-bit templates (DIALOG) store -1 as 0xFFFF.
int controlId(HWND control)
{
    int id = GetDlgCtrlID(control);
    return id == 0xFFFF ? -1 : id;
}

// The dialog manager's base units for a font: the average width of the
// alphabet and the font's height (as GdiGetCharDimensions computes them).
bool fontBaseUnits(const LOGFONTW& logFont, int* x, int* y)
{
    HFONT own = CreateFontIndirectW(&logFont);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, own);
    TEXTMETRICW metrics;
    SIZE alphabet;
    static const wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    bool ok = GetTextMetricsW(dc, &metrics) && GetTextExtentPoint32W(dc, kAlphabet, 52, &alphabet);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(own);
    *x = (alphabet.cx / 26 + 1) / 2;
    *y = metrics.tmHeight;
    return ok;
}

// Horizontal and vertical dialog base units (pixels per 4 and 8 dialog units)
// and where they came from. MapDialogRect answers only for a dialog of the own
// process, and Wine does not pass WM_GETFONT between processes; then the font
// that the template names (FONT points, face) stands in for the dialog's.
const char* dialogBaseUnits(HWND dialog, const TemplateFont& templateFont, int* x, int* y)
{
    RECT probe{0, 0, 4, 8};
    if (MapDialogRect(dialog, &probe)) {
        *x = probe.right;
        *y = probe.bottom;
        return "MapDialogRect";
    }
    DWORD_PTR font = 0;
    if (SendMessageTimeoutW(dialog, WM_GETFONT, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMillis, &font)) {
        LOGFONTW logFont;
        if (font == 0) {  // the system font
            LONG units = GetDialogBaseUnits();
            *x = LOWORD(units);
            *y = HIWORD(units);
            return "system font";
        }
        if (GetObjectW(reinterpret_cast<HFONT>(font), sizeof logFont, &logFont) == sizeof logFont &&
            fontBaseUnits(logFont, x, y))
            return "WM_GETFONT";
    }
    if (templateFont.face == nullptr)
        return nullptr;
    LOGFONTW logFont{};
    HDC dc = GetDC(nullptr);
    logFont.lfHeight = -MulDiv(templateFont.points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, dc);
    logFont.lfWeight = FW_NORMAL;
    logFont.lfCharSet = DEFAULT_CHARSET;
    logFont.lfQuality = PROOF_QUALITY;
    lstrcpynW(logFont.lfFaceName, templateFont.face, LF_FACESIZE);
    return fontBaseUnits(logFont, x, y) ? "template font" : nullptr;
}

// The id of the dialog's direct child that holds the keyboard focus (or
// contains the focused window, as a combo box contains its edit field).
std::string focusedId(HWND dialog)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) || info.hwndFocus == nullptr)
        return "null";
    for (HWND w = info.hwndFocus; w != nullptr; w = GetAncestor(w, GA_PARENT)) {
        if (GetAncestor(w, GA_PARENT) == dialog)
            return std::to_string(controlId(w));
    }
    return "null";
}

std::string describeControl(HWND dialog, HWND control, bool haveUnits, int unitX, int unitY)
{
    std::wstring cls = className(control);
    LONG style = GetWindowLongW(control, GWL_STYLE);
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    std::string out = "{\"id\": " + std::to_string(controlId(control)) + ", \"class\": ";
    appendJsonString(out, cls);
    out += ", \"text\": ";
    appendJsonString(out, windowText(control));
    out += ", \"visible\": " + boolean(IsWindowVisible(control)) +
           ", \"enabled\": " + boolean(IsWindowEnabled(control)) +
           ", \"style\": \"" + hex(static_cast<DWORD>(style)) + "\"" +
           ", \"rect\": " + numbers({r.left, r.top, r.right, r.bottom});
    // In template order (x, y, cx, cy); position and size are converted apart,
    // as the dialog manager does.
    out += ", \"dlu\": ";
    out += haveUnits ? numbers({MulDiv(r.left, 4, unitX), MulDiv(r.top, 8, unitY), MulDiv(r.right - r.left, 4, unitX),
                                MulDiv(r.bottom - r.top, 8, unitY)})
                     : "null";
    if (_wcsicmp(cls.c_str(), PROGRESS_CLASSW) == 0) {
        out += ", \"range\": " + numbers({static_cast<long>(sendTo(control, PBM_GETRANGE, TRUE)),
                                          static_cast<long>(sendTo(control, PBM_GETRANGE, FALSE))});
        out += ", \"pos\": " + std::to_string(sendTo(control, PBM_GETPOS));
    } else if (_wcsicmp(cls.c_str(), L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
        out += ", \"icon\": " + boolean(sendTo(control, STM_GETICON) != 0);
    } else if (_wcsicmp(cls.c_str(), L"Button") == 0) {
        out += ", \"default\": " + boolean((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
    }
    return out + "}";
}

HWND visibleEnabledControl(HWND dialog, int id)
{
    HWND control = findControl(dialog, id);
    if (control == nullptr || !IsWindowVisible(control) || !IsWindowEnabled(control))
        return nullptr;
    return control;
}

} // namespace

HWND parseWindowHandle(const wchar_t* hex)
{
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::wcstoull(hex, nullptr, 16)));
}

int waitWindowCommand(DWORD processId, const wchar_t* cls, const wchar_t* title, DWORD timeoutMs, bool visible)
{
    HWND found = waitForWindow({processId, anyIfDash(cls), anyIfDash(title), visible}, GetTickCount64() + timeoutMs);
    if (found == nullptr)
        return failWith("no such window");
    printUtf8Line(hex(reinterpret_cast<uintptr_t>(found)));
    return 0;
}

int dumpWindowCommand(HWND window, const TemplateFont& templateFont)
{
    if (!IsWindow(window))
        return failWith("no such window");
    RECT r, client;
    GetWindowRect(window, &r);
    GetClientRect(window, &client);
    int unitX = 0, unitY = 0;
    const char* unitsFrom = dialogBaseUnits(window, templateFont, &unitX, &unitY);
    bool haveUnits = unitsFrom != nullptr;
    // Only dialogs answer DM_GETDEFID; DC_HASDEFID marks a real answer.
    LRESULT defId = sendTo(window, DM_GETDEFID);
    std::string out = "{\"class\": ";
    appendJsonString(out, className(window));
    out += ", \"title\": ";
    appendJsonString(out, windowText(window));
    out += ", \"visible\": " + boolean(IsWindowVisible(window)) +
           ", \"style\": \"" + hex(static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE))) + "\"" +
           ", \"exstyle\": \"" + hex(static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE))) + "\"" +
           ", \"rect\": " + numbers({r.left, r.top, r.right, r.bottom}) +
           ", \"client\": " + numbers({client.right, client.bottom}) +
           ", \"base_units\": " + (haveUnits ? numbers({unitX, unitY}) : "null") +
           ", \"base_units_from\": " + (haveUnits ? std::string("\"") + unitsFrom + "\"" : "null") +
           ", \"client_dlu\": " +
           (haveUnits ? numbers({MulDiv(client.right, 4, unitX), MulDiv(client.bottom, 8, unitY)}) : "null") +
           ", \"default_id\": " + (HIWORD(defId) == DC_HASDEFID ? std::to_string(LOWORD(defId)) : "null") +
           ", \"focus\": " + focusedId(window) + ", \"controls\": [";
    bool first = true;
    for (HWND c = GetWindow(window, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        out += (first ? "" : ", ") + describeControl(window, c, haveUnits, unitX, unitY);
        first = false;
    }
    printUtf8Line(out + "]}");
    return 0;
}

int clickCommand(HWND dialog, int controlId)
{
    HWND button = visibleEnabledControl(dialog, controlId);
    if (button == nullptr)
        return failWith("no visible, enabled control of that id");
    // The button handles the click itself (focus, default look, BN_CLICKED),
    // as for a mouse click.
    return PostMessageW(button, BM_CLICK, 0, 0) ? 0 : failWith("cannot post");
}

int keyCommand(HWND dialog, const wchar_t* key)
{
    UINT vk = std::wcscmp(key, L"enter") == 0 ? VK_RETURN : std::wcscmp(key, L"escape") == 0 ? VK_ESCAPE : 0;
    if (vk == 0)
        return failWith("key must be enter or escape");
    // To the focused control, as the keyboard would: the dialog's message loop
    // hands it to IsDialogMessage, which turns it into the default button's or
    // IDCANCEL's WM_COMMAND. Without a focus inside, to the dialog itself.
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = dialog;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus != nullptr &&
        IsChild(dialog, info.hwndFocus))
        target = info.hwndFocus;
    LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    bool ok = PostMessageW(target, WM_KEYDOWN, vk, 1 | scan) &&
              PostMessageW(target, WM_KEYUP, vk, 1 | scan | (LPARAM{3} << 30));
    return ok ? 0 : failWith("cannot post");
}

int closeCommand(HWND window)
{
    return PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : failWith("cannot post");
}

int chooseFileCommand(DWORD processId, const wchar_t* title, const wchar_t* path, DWORD timeoutMs)
{
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    HWND dialog = waitForWindow({processId, L"#32770", anyIfDash(title), true}, deadline);
    if (dialog == nullptr)
        return failWith("no file dialog");
    HWND field = findControl(dialog, kFileNameCombo);
    if (field == nullptr)
        field = findControl(dialog, kFileNameEdit);
    HWND open = visibleEnabledControl(dialog, IDOK);
    if (field == nullptr || open == nullptr)
        return failWith("no file name field or Open button");
    sendTo(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path));
    PostMessageW(open, BM_CLICK, 0, 0);
    while (IsWindow(dialog)) {
        if (GetTickCount64() >= deadline)
            return failWith("the file dialog stays open");
        Sleep(kPollMillis);
    }
    return 0;
}
