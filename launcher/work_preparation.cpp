#include "launcher/work_preparation.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "diag/log.h"
#include "fs/paths.h"
#include "fs/platform.h"
#include "launch/expand_variables.h"
#include "launcher/launcher_state.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "payload/included_files.h"

namespace {
// Not a fatal error: this exit leaves the log to the exit handler.
[[noreturn]] void reportExtractionFailure(void* dialog, int result)
{
    if (!quiet) {
        WideChar text[kTextBufferSize];
        WideChar caption[kTextBufferSize];
        getWideString(result == kCopyWriteFailed ? cfg::kWExtractWriteFailed : cfg::kWExtractReadFailed, text);
        getWideString(cfg::kWAppTitle, caption);
        showMessageBoxWide(dialog, text, caption, kBoxOk | kBoxIconError);
    }
    std::fflush(stdout);
    std::exit(1);
}
} // namespace

void changeToExtractionDir()
{
    if (!setCurrentDirectoryPath(extractionDir))
        logError("Could not change working dir to %s", extractionDir);
}

void addNativeLibraryPath()
{
    char dirs[kTextBufferSize];
    getString(cfg::kNativeLibraryDirs, dirs, sizeof dirs);
    logInfo("native lib dir is %s", dirs);
    expandVariables(dirs);
    static char resolved[kPathListBufferSize];
    resolvePathList(resolved, dirs, sizeof resolved);
    // PATH may be as long as Windows allows; it is never written back shortened.
    std::string value = resolved;
    if (!value.empty() && value.back() != kPathListSeparator[0])
        value += kPathListSeparator;
    std::string current;
    readEnvironmentString("PATH", &current);
    value += current;
    if (setEnvironmentValue("PATH", value.c_str()))
        logInfo("Setting PATH (native libs) %s", value.c_str());
    else
        logInfo("Setting PATH (native libs) %s failed with error %d", value.c_str(),
                static_cast<int>(lastSystemError()));
    putRuntimeEnvironment("PATH", value.c_str());
}

void prepareWorkingDirectory(void* dialog)
{
    if (languageRestart) {
        currentDirectoryPath(extractionDir, sizeof extractionDir);
    } else {
        int result = extractIncludedFiles(extractionDir);
        if (result != 0)
            reportExtractionFailure(dialog, result);
        addNativeLibraryPath();
        changeToExtractionDir();
    }
    char cwd[kTextBufferSize];
    currentDirectoryPath(cwd, sizeof cwd);
    logInfo("Current working dir: %s", cwd);
}
