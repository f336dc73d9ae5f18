#include "jvm/java_check.h"

#include <cstring>

#include "diag/log.h"
#include "fs/paths.h"
#include "jvm/java_version.h"
#include "jvm/library_machine.h"
#include "jvm/version_cache.h"
#include "jvm/version_rules.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

namespace {
bool endsWithNoCase(const char* text, const char* suffix)
{
    size_t length = std::strlen(text);
    size_t suffixLength = std::strlen(suffix);
    if (length < suffixLength)
        return false;
    const char* tail = text + length - suffixLength;
    for (size_t i = 0; i < suffixLength; ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i])
            return false;
    }
    return true;
}

// Windowed programs need javaw.exe beside java.exe. An executable that already
// is javaw.exe stays; one not ending in ".exe" has no windowed twin to derive.
bool switchToWindowedExecutable(char* javaExe)
{
    if (endsWithNoCase(javaExe, "javaw.exe"))
        return true;
    size_t length = std::strlen(javaExe);
    if (!endsWithNoCase(javaExe, ".exe") || length + 1 >= kTextBufferSize) {
        logInfo("No windowed executable beside %s", javaExe);
        return false;
    }
    std::memcpy(javaExe + length - 4, "w.exe", 6);
    return fileExists(javaExe);
}

// The version, and whether it passes the limits, for an executable that exists.
bool judgeVersion(const char* javaExe, const FileStamp& stamp, char* version, const char* minimum,
                  const char* maximum, bool allowBeta, bool readCache)
{
    if (readCache && readCachedVersion(javaExe, stamp, version)) {
        logInfo("got version from registry %s", version);
        // The marker of a failed run: refused now as it was when the run failed.
        if (std::strcmp(version, kFailedRunVersion) == 0) {
            logInfo("an earlier version check of this executable failed");
            return false;
        }
        return isVersionAccepted(version, minimum, maximum, allowBeta);
    }
    if (getJavaVersion(javaExe, stamp, version)) {
        logInfo("got version from execution %s", version);
        writeCachedVersion(javaExe, stamp, version);
        return isVersionAccepted(version, minimum, maximum, allowBeta);
    }
    logInfo("couldn't get version");
    return false;
}
} // namespace

bool javaExeForHome(const char* home, char* javaExe)
{
    if (!formatBounded(javaExe, kTextBufferSize, "%s\\jre\\bin\\java.exe", home))
        return false;
    if (getInt(cfg::kRequireJdk) != 0) {
        char tools[kTextBufferSize];
        return formatBounded(tools, sizeof tools, "%s\\lib\\tools.jar", home) && fileExists(tools);
    }
    if (!fileExists(javaExe))
        return formatBounded(javaExe, kTextBufferSize, "%s\\bin\\java.exe", home);
    return true;
}

bool checkJavaExe(char* javaExe, char* version, const char* minimum, const char* maximum, bool allowBeta,
                  bool readCache)
{
    logInfo("checkJavaExe (%s, [out], %s, %s, %d)", javaExe, minimum, maximum, allowBeta ? 1 : 0);
    char full[kTextBufferSize];
    getFullPath(full, javaExe, false);
    copyBounded(javaExe, kTextBufferSize, full);
    version[0] = '\0';

    bool usable = false;
    FileStamp stamp;
    if (javaExe[0] == '\0' || !findFile(javaExe, &stamp)) {
        logInfo("file doesn't exist");
    } else {
        logInfo("file exists");
        usable = judgeVersion(javaExe, stamp, version, minimum, maximum, allowBeta, readCache);
    }
    if (usable && !runtimeFitsProcess(javaExe))
        usable = false;
    if (usable && getInt(cfg::kProgramType) == 1)
        usable = switchToWindowedExecutable(javaExe);
    logInfo("checkJavaExe returning %d", usable ? 1 : 0);
    return usable;
}

bool verifyJavaExe(char* javaExe, const char* minimum, const char* maximum, bool allowBeta, bool useCache)
{
    char version[kTextBufferSize];
    return checkJavaExe(javaExe, version, minimum, maximum, allowBeta, useCache);
}
