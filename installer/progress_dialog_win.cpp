// The progress dialog (template 103): hosts the work on a thread of its own.
#include <windows.h>
#include <commctrl.h>

#include "diag/errors.h"
#include "diag/log.h"
#include "fs/text_buffer.h"
#include "installer/dialog_ids.h"
#include "installer/dialog_thread.h"
#include "installer/dialogs.h"
#include "installer/install_marker.h"
#include "installer/window_text.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

namespace {
constexpr INT_PTR kEndedByWork = 0x10000;  // an end no command id can have

// Lives on the stack of showProgressDialog; only the dialog's thread touches it.
struct ProgressDialog {
    LaunchState* state;
    DialogWork work;
    int workResult = 0;
    bool launchStarted = false;
};

ProgressDialog* dialogData(HWND dialog)
{
    return reinterpret_cast<ProgressDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

INT_PTR CALLBACK progressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        auto* data = reinterpret_cast<ProgressDialog*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        centerWindow(dialog);
        setErrorOwner(dialog);
        SendDlgItemMessageW(dialog, KVELL_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        setDlgItemTextFromEntry(dialog, KVELL_MESSAGE_TEXT, cfg::kWProgressMessage);
        WideChar caption[kTextBufferSize];
        getWideString(cfg::kWAppTitle, caption);
        setWindowTextWide(dialog, caption);
        setDlgItemTextFromEntry(dialog, IDCANCEL, cfg::kWCancelButton);
        if (!startDialogThread(data->work, *data->state, dialog, true, false)) {
            logError("Could not start the work thread (error %lu)", GetLastError());
            fatalErrorById(cfg::kMsgInternalError, "21");
        }
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id != IDOK && id != IDCANCEL)
            return FALSE;
        logInfo("Canceled installer");
        writeInstallStarted(false);
        EndDialog(dialog, id);
        return TRUE;
    }
    case kWorkDoneMessage:
        dialogData(dialog)->workResult = static_cast<int>(wParam);
        EndDialog(dialog, kEndedByWork);
        return TRUE;
    case kLaunchStartingMessage:
        dialogData(dialog)->launchStarted = true;
        return TRUE;
    default:
        return FALSE;
    }
}
} // namespace

void registerDialogClass(const LaunchState& state)
{
    auto instance = static_cast<HINSTANCE>(state.appInstance);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS | CS_SAVEBITS | CS_BYTEALIGNWINDOW;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.lpfnWndProc = DefDlgProcW;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(KVELL_ICON_ID));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"" KVELL_DIALOG_CLASS;
    if (RegisterClassExW(&windowClass) == 0)
        logError("Could not register the dialog class (error %lu)", GetLastError());
}

ProgressDialogResult showProgressDialog(LaunchState& state, DialogWork work)
{
    ProgressDialog data{&state, work};
    INT_PTR end = DialogBoxParamW(static_cast<HINSTANCE>(state.appInstance),
                                  MAKEINTRESOURCEW(KVELL_PROGRESS_DIALOG), nullptr, progressDialogProc,
                                  reinterpret_cast<LPARAM>(&data));
    // Messages now go to no window; later errors are shown without owner.
    setErrorOwner(nullptr);
    ProgressDialogResult result;
    result.workResult = data.workResult;
    result.launchStarted = data.launchStarted;
    if (end == kEndedByWork) {
        result.end = ProgressDialogEnd::WorkDone;
    } else if (end == IDOK || end == IDCANCEL) {
        result.end = ProgressDialogEnd::Canceled;
    } else {
        logError("Could not show the progress dialog (error %lu)", GetLastError());
        result.end = ProgressDialogEnd::Failed;
    }
    return result;
}

void noteLaunchStarting(void* dialog)
{
    if (dialog != nullptr)
        SendMessageW(static_cast<HWND>(dialog), kLaunchStartingMessage, 0, 0);
}
