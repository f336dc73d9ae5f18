#include "jvm/pack200.h"

#include <cstdio>

#include "diag/errors.h"
#include "diag/log.h"
#include "fs/paths.h"
#include "fs/text_buffer.h"
#include "jvm/jvm_platform.h"
#include "payload/config_ids.h"

namespace {
UnpackActivityHook activityHook = nullptr;

// In the order they are restored; jsse.jar last, as it marks a finished unpack.
const char* const kPackedJars[] = {
    "lib\\rt.jar", "lib\\charsets.jar", "lib\\plugin.jar", "lib\\deploy.jar", "lib\\ext\\localedata.jar", "lib\\jsse.jar",
};

void reportActivity(bool running)
{
    if (activityHook != nullptr)
        activityHook(running);
}
} // namespace

void setUnpackActivityHook(UnpackActivityHook hook)
{
    activityHook = hook;
}

void unpackJar(const char* directory, const char* jar)
{
    char target[kTextBufferSize];
    char packFile[kTextBufferSize];
    if (!formatBounded(target, sizeof target, "%s\\%s", directory, jar) ||
        !formatBounded(packFile, sizeof packFile, "%s.pack", target)) {
        logInfo("Path too long to unpack %s in %s", jar, directory);
        return;
    }
    logInfo("Unpacking %s to %s", packFile, target);
    if (!fileExists(packFile)) {
        logInfo("pack path doesn't exists");
        return;
    }
    // -r: the tool deletes the pack file once the jar is restored. The program
    // is quoted too, so that a directory with blanks cannot start another program.
    char commandLine[kTextBufferSize];
    if (!formatBounded(commandLine, sizeof commandLine, "\"%s\\bin\\unpack200.exe\" -r \"%s\" \"%s\"", directory,
                       packFile, target)) {
        logInfo("Command line too long to unpack %s", packFile);
        return;
    }
    ChildProcess child;
    unsigned error = 0;
    if (!startHiddenProcess(commandLine, nullptr, &child, &error)) {
        logInfo("could not create unpack process");
        fatalErrorById(cfg::kMsgInternalError, "20");
    }
    logInfo("waiting for unpack200 to finish");
    unsigned exitCode = 0;
    waitForProcess(child, kWaitForever, &exitCode);
    // The exit code is not judged: a failed unpack shows when the runtime does not load.
    logInfo("unpack done");
}

void unpackJre(const char* directory)
{
    char packedRt[kTextBufferSize];
    char jsse[kTextBufferSize];
    if (!formatBounded(packedRt, sizeof packedRt, "%s\\lib\\rt.jar.pack", directory) ||
        !formatBounded(jsse, sizeof jsse, "%s\\lib\\jsse.jar", directory))
        return;
    if (!fileExists(packedRt) || fileExists(jsse))
        return;
    logInfo("Unpacking JRE");
    std::fputs("Preparing JRE ...\n", stdout);
    std::fflush(stdout);
    reportActivity(true);
    for (const char* jar : kPackedJars)
        unpackJar(directory, jar);
    reportActivity(false);
    logInfo("Unpacking JRE done");
}
