#include "launcher/work_preparation.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "diag/log.h"
#include "fs/paths.h"
#include "fs/platform.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "payload/expand_variables.h"
#include "payload/included_files.h"
#include "payload/run_files.h"

namespace {
// Not a fatal error: this exit leaves the log to the exit handler.
[[noreturn]] void reportExtractionFailure(const LaunchState& state, void* dialog, int result)
{
    if (!state.quiet) {
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

void changeToExtractionDir(const LaunchState& state)
{
    if (!setCurrentDirectoryPath(state.extractionDir.c_str()))
        logError("Could not change working dir to %s", state.extractionDir.c_str());
}

void addNativeLibraryPath(const LaunchState& state)
{
    BoundedText dirs;
    getString(cfg::kNativeLibraryDirs, dirs.data(), dirs.capacity());
    logInfo("native lib dir is %s", dirs.c_str());
    expandVariables(dirs, state);
    BoundedText resolved(kPathListBufferSize);
    resolvePathList(resolved.data(), dirs.c_str(), resolved.capacity());
    // PATH may be as long as Windows allows; it is never written back shortened.
    // The DLL search leaves PATH out: the libraries' own dependencies are
    // found through the same directories.
    for (const std::string& dir : splitList(resolved.c_str(), kPathListSeparator[0]))
        addDllSearchDirectory(dir.c_str());
    std::string value = resolved.c_str();
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

void prepareWorkingDirectory(LaunchState& state, void* dialog)
{
    if (state.languageRestart) {
        currentDirectoryPath(state.extractionDir.data(), state.extractionDir.capacity());
    } else {
        if (getInt(cfg::kRemoveExtractedFiles) != 0)
            sweepEarlierRuns();
        int result = extractIncludedFiles(state);
        if (result != 0)
            reportExtractionFailure(state, dialog, result);
        addNativeLibraryPath(state);
        changeToExtractionDir(state);
    }
    char cwd[kTextBufferSize];
    currentDirectoryPath(cwd, sizeof cwd);
    logInfo("Current working dir: %s", cwd);
}
