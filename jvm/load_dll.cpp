#include "jvm/load_dll.h"

#include <string>

#include "diag/errors.h"
#include "diag/log.h"
#include "fs/text_buffer.h"
#include "jvm/java_check.h"
#include "jvm/jvm_library.h"
#include "jvm/jvm_search.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

namespace {
// The detail shown in message 1016.
const char* const kNoJvmDetail = "64";

// A runtime of location that was handed in: an executable is judged with the
// version rules (run afresh, pre-release allowed); a directory is taken as it is
// and left to the load step.
bool checkProvidedLocation(char* javaExe, const char* location, bool locationIsExecutable)
{
    std::string minimum(kTextBufferSize, '\0');
    std::string maximum(kTextBufferSize, '\0');
    getString(cfg::kMinVersion, minimum.data(), minimum.size());
    getString(cfg::kMaxVersion, maximum.data(), maximum.size());
    logInfo("MinVersion: %s, MaxVersion: %s", minimum.c_str(), maximum.c_str());
    if (!locationIsExecutable)
        return checkJavaHomeDirectory(javaExe, location, minimum.c_str(), maximum.c_str(), true);
    if (!copyBounded(javaExe, kTextBufferSize, location))
        return false;
    return verifyJavaExe(javaExe, minimum.c_str(), maximum.c_str(), true, false);
}

// The configured messages after a failed load, by how the runtime was found.
void showLoadFailure(JvmSource source)
{
    if (source == JvmSource::SearchPath)
        showErrorById(cfg::kMsgNoJreFound, kNoJvmDetail);
    if (source == JvmSource::SearchPath || source == JvmSource::Environment)
        showErrorById(cfg::kMsgJreLoadFailedPathOrEnv);
    if (source != JvmSource::Registry)
        showErrorById(cfg::kMsgJreLoadFailed);
    showErrorById(cfg::kMsgCannotStartJava);
}
} // namespace

bool LoadDLL(LaunchState& state, bool showErrors, const char* location, bool locationIsExecutable)
{
    logInfo("LoadDLL (%d, %s, %d)", showErrors ? 1 : 0, location != nullptr ? location : "(null)",
            locationIsExecutable ? 1 : 0);
    BoundedText javaExe;
    JvmSource source = JvmSource::Directory;
    if (location != nullptr) {
        logInfo("Got JRE location %s (java exe: %d)", location, locationIsExecutable ? 1 : 0);
        if (!checkProvidedLocation(javaExe.data(), location, locationIsExecutable)) {
            logError("Provided JVM unusable");
            if (showErrors)
                showErrorById(cfg::kMsgNoJreFound, kNoJvmDetail);
            return false;
        }
    } else {
        BoundedText foundLocation;
        source = searchJvm(state, javaExe, foundLocation);
        if (source == JvmSource::None) {
            logError("No JVM found");
            if (showErrors)
                showErrorById(cfg::kMsgNoJreFound, kNoJvmDetail);
            return false;
        }
    }
    if (loadJvmForExecutable(state, javaExe.c_str()))
        return true;
    if (showErrors)
        showLoadFailure(source);
    return false;
}
