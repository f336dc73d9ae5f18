#include "launcher/work_sequence.h"

#include <cstdio>
#include <cstdlib>

#include "diag/errors.h"
#include "diag/log.h"
#include "fs/paths.h"
#include "fs/platform.h"
#include "installer/dialogs.h"
#include "installer/included_jre.h"
#include "installer/install_marker.h"
#include "installer/progress.h"
#include "jvm/load_dll.h"
#include "launch/exit_hook.h"
#include "launch/java_vm_launcher.h"
#include "launcher/work_preparation.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "payload/run_files.h"
#include "payload/split_command_line.h"

namespace {
constexpr int kExitNoRuntime = 83;

// The bar's range, and where the launch watcher goes on from: an included
// runtime's extraction fills 0..100, its Pack200 step 100..200.
void setProgressValues(LaunchState& state)
{
    if (!state.jreIncluded) {
        state.progressTotal = 80;
        state.progressPosition = 0;
    } else if (getInt(cfg::kJrePack200) == 0) {
        state.progressTotal = 150;
        state.progressPosition = 100;
    } else {
        state.progressTotal = 250;
        state.progressPosition = 200;
    }
}

// No runtime was found (or the user wants to choose one by hand): ask the user.
void obtainMissingRuntime(LaunchState& state, void* dialog)
{
    if (state.quiet) {
        logError("No JRE found");
        std::printf("no jre found\n");
        std::fflush(stdout);
        writeInstallStarted(false);
        std::exit(kExitNoRuntime);
    }
    if (dialog != nullptr) {
        handleMissingJre(state, dialog);
        return;
    }
    // Running without the progress dialog: it opens only to host the question.
    ProgressDialogResult shown = showProgressDialog(state, handleMissingJre);
    if (shown.end == ProgressDialogEnd::Failed)
        handleMissingJre(state, nullptr);
    else if (shown.end == ProgressDialogEnd::Canceled)
        exitNow(1);  // no runtime to start; the cancel cleared the marker
}

bool removesExtractedFiles()
{
    return getInt(cfg::kRemoveExtractedFiles) != 0;
}

// System.exit(0) is a successful end too; any other code leaves the marker set.
void programExiting(void* context, int code)
{
    if (code == 0)
        writeInstallStarted(false);
    if (removesExtractedFiles())
        removeRunFiles(*static_cast<LaunchState*>(context));
}

// An ordinary application works where the user started it (or in entry 146):
// the included files stay in the extraction directory, found by full paths.
void enterProgramWorkingDirectory(const LaunchState& state)
{
    if (getInt(cfg::kKeepWorkingDirectory) == 0 || state.languageRestart)
        return;
    if (setCurrentDirectoryPath(state.startDirectory.c_str()))
        logInfo("Program working dir: %s", state.startDirectory.c_str());
    else
        logError("Could not change working dir to %s", state.startDirectory.c_str());
}

void lookForIncludedRuntime(LaunchState& state)
{
    bool& jreIncluded = state.jreIncluded;
    char jre[kTextBufferSize];
    fullPathName("jre.tar.gz", jre, sizeof jre, nullptr);
    logInfo("Full JRE path: %s", jre);
    jreIncluded = fileExists(jre);
    if (!jreIncluded && state.languageRestart) {
        fullPathName("jre", jre, sizeof jre, nullptr);
        logInfo("Checking extracted JRE: %s", jre);
        jreIncluded = fileExists(jre);
    }
    logInfo("%s", jreIncluded ? "JRE included" : "No JRE included");
    if (state.manualJre && jreIncluded) {
        logInfo("Included JRE not used because of manual switch");
        jreIncluded = false;
    }
}
} // namespace

int runWork(LaunchState& state, void* dialog)
{
    logInfo("Starting work");
    setProgressBarPosition(dialog, 1);
    prepareWorkingDirectory(state, dialog);
    lookForIncludedRuntime(state);
    if (!state.jreIncluded) {
        writeInstallStarted(true);
        bool found = !state.manualJre && LoadDLL(state, false, nullptr, false);
        if (!found)
            obtainMissingRuntime(state, dialog);
    }
    changeToExtractionDir(state);
    if (!state.languageRestart) {
        setProgressValues(state);
        setProgressBarRange(dialog, state.progressTotal);
        if (state.jreIncluded)
            extractIncludedJre(state, dialog);
    } else if (state.jreIncluded) {
        useExtractedJre(state);
    }
    if (dialog != nullptr)
        startJavaWindowWatcher(state, dialog);
    writeInstallStarted(true);
    noteLaunchStarting(dialog);

    enterProgramWorkingDirectory(state);
    setProgramExitObserver(programExiting, &state);
    ArgList args;
    splitCommandLine(commandLineWide().c_str(), args);
    if (!launchProgram(state, args, true)) {
        logError("Could not start JVM");
        fatalErrorById(cfg::kMsgCannotStartJava);
    }
    // The program ran to its end: the installation is not unfinished.
    writeInstallStarted(false);
    if (removesExtractedFiles())
        removeRunFiles(state);
    return 0;
}
