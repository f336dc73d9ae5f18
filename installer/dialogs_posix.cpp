// Elsewhere than on Windows there are no dialogs: the work runs without them.
#include "diag/errors.h"
#include "diag/log.h"
#include "installer/dialogs.h"
#include "payload/config_ids.h"

void registerDialogClass(const LaunchState&) {}

ProgressDialogResult showProgressDialog(LaunchState&, DialogWork)
{
    return ProgressDialogResult{};
}

void noteLaunchStarting(void*) {}

int handleMissingJre(LaunchState&, void*)
{
    logError("No JRE found");
    fatalErrorById(cfg::kMsgNoJreFound, "64");
}

bool chooseJavaExe(LaunchState&, void*)
{
    return false;
}

void startJavaWindowWatcher(LaunchState&, void*) {}
