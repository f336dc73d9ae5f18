#include "jvm/java_version.h"

#include <cstdio>
#include <cstring>

#include "diag/log.h"
#include "fs/text_buffer.h"
#include "jvm/jvm_platform.h"
#include "jvm/version_cache.h"
#include "jvm/version_rules.h"
#include "payload/temp_dir.h"

namespace {
unsigned versionRunTimeout = kVersionRunTimeoutMs;

constexpr size_t kLineCapacity = 100;  // at most 99 characters of a line count

// The first line that carries a version. Lines before it (a runtime may first
// report options it picked up from the environment) are passed over.
bool readVersionFromFile(const char* path, char* version)
{
    TextFile file = openTextFile(path);
    if (!file)
        return false;
    char line[kLineCapacity];
    bool atLineStart = true;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, file.get()) != nullptr) {
        if (atLineStart)
            found = parseVersionLine(line, version, kTextBufferSize);
        atLineStart = std::strchr(line, '\n') != nullptr;
    }
    if (found)
        logInfo("Java version: %s", version);
    return found;
}
} // namespace

void setVersionRunTimeout(unsigned milliseconds)
{
    versionRunTimeout = milliseconds != 0 ? milliseconds : kVersionRunTimeoutMs;
}

bool getJavaVersion(const char* javaExe, const FileStamp& stamp, char* version)
{
    version[0] = '\0';
    char programPath[kTextBufferSize];
    if (!shortPathName(javaExe, programPath, sizeof programPath))
        copyBounded(programPath, sizeof programPath, javaExe);
    // Quoted: a long name with blanks must never start some other program.
    char commandLine[kTextBufferSize];
    if (!formatBounded(commandLine, sizeof commandLine, "\"%s\" -version", programPath)) {
        logInfo("Command line too long for %s", javaExe);
        return false;
    }
    char errorFile[kTextBufferSize];
    makeTempFileName(errorFile);

    ChildProcess child;
    unsigned error = 0;
    if (!startHiddenProcess(commandLine, errorFile, &child, &error)) {
        logInfo("Could not create process %s > %s (error %d)", commandLine, errorFile, static_cast<int>(error));
        deleteFileAt(errorFile);
        return false;
    }
    unsigned exitCode = 0;
    bool finished = waitForProcess(child, versionRunTimeout, &exitCode);
    logInfo("Exit Code %d", static_cast<int>(exitCode));
    if (!finished) {
        logInfo("Terminating process");
        terminateProcess(child, 1);
    } else if (exitCode != 0) {
        writeCachedVersion(javaExe, stamp, kFailedRunVersion);
    }
    if (!finished || exitCode != 0) {
        deleteFileAt(errorFile);
        return false;
    }
    bool found = readVersionFromFile(errorFile, version);
    deleteFileAt(errorFile);
    return found;
}
