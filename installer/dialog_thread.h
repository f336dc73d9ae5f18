// Threads that work for a dialog. Each gets the state and the dialog window and
// reaches the dialog only through messages, which the dialog's own thread carries out.
#pragma once
#include "installer/dialogs.h"

// Private messages of the progress dialog.
constexpr unsigned kWorkDoneMessage = 0x8000 + 1;        // WM_APP + 1; wParam: the work's result
constexpr unsigned kLaunchStartingMessage = 0x8000 + 2;  // WM_APP + 2

// Runs work(state, dialog) on a new thread that is not waited for. With
// reportDone the dialog gets kWorkDoneMessage when the work returns.
bool startDialogThread(DialogWork work, LaunchState& state, void* dialog, bool reportDone, bool aboveNormal);
