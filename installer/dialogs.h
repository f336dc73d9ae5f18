// The installer's own windows before Java runs: the progress dialog that hosts
// the work on a thread of its own, and the question dialog shown when no Java
// runtime was found.
#pragma once
#include "payload/launch_state.h"

// Work run on the progress dialog's thread: the work sequence, or
// handleMissingJre when the dialog opens only for that.
using DialogWork = int (*)(LaunchState& state, void* dialog);

enum class ProgressDialogEnd {
    WorkDone,  // the work returned; workResult holds its result
    Canceled,  // cancel button, Enter, Escape or the close box
    Failed,    // the dialog could not be shown; the work did not run
};

struct ProgressDialogResult {
    ProgressDialogEnd end = ProgressDialogEnd::Failed;
    int workResult = 0;
    // The Java program was about to start when the dialog ended (see noteLaunchStarting).
    bool launchStarted = false;
};

// The window class of the progress dialog, "MyDialogClass".
void registerDialogClass(const LaunchState& state);

// Shows the progress dialog modally on this thread and runs work on a new
// thread with the dialog; returns when the work has returned or the user
// canceled. A cancel clears the installation marker.
ProgressDialogResult showProgressDialog(LaunchState& state, DialogWork work);

// Tells the dialog that the runtime is ready and the Java program starts now.
void noteLaunchStarting(void* dialog);

// No runtime was found (or the user wants to choose one): asks the question
// (unless the download needs no asking), downloads or lets the user choose a
// java.exe. Returns 0 once a runtime has been obtained; otherwise ends the process.
int handleMissingJre(LaunchState& state, void* dialog);

// The file-open dialog for a java.exe; the chosen runtime is loaded (errors
// shown) and remembered among the located JVMs. False when canceled or refused.
bool chooseJavaExe(LaunchState& state, void* owner);

// Starts the launch watcher: moves the bar while the Java program starts and
// hides the dialog once the program shows a window.
void startJavaWindowWatcher(LaunchState& state, void* dialog);
