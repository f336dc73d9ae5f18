// The launch watcher: moves the progress bar while the Java program starts and
// hides the progress dialog once the program shows a window of its own.
#include <windows.h>

#include <algorithm>

#include "diag/errors.h"
#include "diag/log.h"
#include "installer/dialog_thread.h"
#include "installer/dialogs.h"
#include "installer/install_marker.h"
#include "installer/progress.h"
#include "instance/process_windows.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

namespace {
constexpr int kPollMillis = 100;
constexpr int kStepEvery = 5;
constexpr int kStep = 20;
constexpr int kTimeoutPoll = 2400;  // about four minutes

int watchJavaWindow(LaunchState& state, void* dialog)
{
    DWORD self = GetCurrentProcessId();
    // The dialog is one visible window of this process; a second is the program's.
    for (int i = 1; countVisibleProcessWindows(self) < 2; ++i) {
        if (i % kStepEvery == 0) {
            state.progressPosition = std::min(state.progressPosition + kStep, state.progressTotal - 10);
            setProgressBarPosition(dialog, state.progressPosition);
        }
        if (i == kTimeoutPoll && readInstallStarted() && getInt(cfg::kWatcherNeverTimesOut) == 0) {
            logInfo("timeout");
            fatalErrorWideById(cfg::kWNoWindowTimeout);
        }
        Sleep(kPollMillis);
    }
    logInfo("Java window visible");
    ShowWindow(static_cast<HWND>(dialog), SW_HIDE);
    return 0;
}
} // namespace

void startJavaWindowWatcher(LaunchState& state, void* dialog)
{
    if (!startDialogThread(watchJavaWindow, state, dialog, false, true))
        logError("Could not start the launch watcher (error %lu)", GetLastError());
}
