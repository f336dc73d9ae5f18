#include "diag/log.h"
#include "diag/log_state.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "fs/platform.h"
#include "fs/text_buffer.h"

namespace {



bool keepRequested(const char* variable)
{
    char value[kTextBufferSize];
    return readEnvironment(variable, value, sizeof value) && std::strcmp(value, "yes") == 0;
}

void exitHandler()
{
    logExitCleanup();
}

// Like the runtime's _tempnam: the directory named by TMP when it exists, else the
// default one; a name beginning with "qmr_nlog_" that does not exist yet. The file
// is created exclusively, so nobody else's file is ever truncated.
FILE* createUniqueLog(char* path, size_t cap)
{
    char dir[kTextBufferSize];
    if (!readEnvironment("TMP", dir, sizeof dir) || dir[0] == '\0' || !directoryExists(dir))
        copyBounded(dir, sizeof dir, kLogDefaultDirectory);
    size_t len = std::strlen(dir);
    const char* separator = (len > 0 && (dir[len - 1] == '\\' || dir[len - 1] == '/')) ? "" : (kPathSeparator == '\\' ? "\\" : "/");
    unsigned number = static_cast<unsigned>(currentProcessId());
    for (int attempt = 0; attempt < 1000; ++attempt, ++number) {
        if (!formatBounded(path, cap, "%s%sqmr_nlog_%u", dir, separator, number))
            return nullptr;
        FILE* file = createNewTextFile(path);
        if (file != nullptr)
            return file;
        if (!directoryExists(dir))
            return nullptr;
    }
    return nullptr;
}

// The fixed fallback path; when a file of that name is already there (an earlier
// run's, or anyone's), a fresh name beside it, so that nothing is truncated.
FILE* createFallbackLog(char* path, size_t cap)
{
    copyBounded(path, cap, kLogFallbackPath);
    FILE* file = createNewTextFile(path);
    for (int n = 1; file == nullptr && n < 100 && findFirstEntry(path, nullptr); ++n) {
        formatBounded(path, cap, "%s.%d", kLogFallbackPath, n);
        file = createNewTextFile(path);
    }
    if (file == nullptr)
        copyBounded(path, cap, kLogFallbackPath);
    return file;
}

void writeHeader(FILE* file)
{
    char module[kTextBufferSize];
    moduleFileNameNarrow(module, sizeof module);
    std::time_t now = std::time(nullptr);
    const char* when = std::ctime(&now);
    std::fprintf(file, "Started executable %s at %s\n", module, when != nullptr ? when : "?\n");
    std::fflush(file);
}

void ensureLog()
{
    LogState& state = logState();
    if (state.initialised) {
        // Creation failed at first: the fixed path may be free by now. Only a new
        // file of our own is ever written into.
        if (state.file == nullptr && state.retryCreate) {
            state.file = createNewTextFile(state.path);
            state.ownsFile = state.file != nullptr;
            state.retryCreate = state.file == nullptr && !findFirstEntry(state.path, nullptr);
        }
        return;
    }
    state.initialised = true;

    state.keepRequest = keepRequested("KVELL_LOG") || keepRequested("QUILLMERE_LOG");
    if (!state.keepRequest)
        std::atexit(exitHandler);

    FILE* file = createUniqueLog(state.path, sizeof state.path);
    if (file == nullptr)
        file = createFallbackLog(state.path, sizeof state.path);
    state.hasPath = true;
    if (file == nullptr) {
        // Nothing could be created. Later calls try the fixed path again, unless
        // it is a file of someone else's, which is never written into.
        state.retryCreate = !findFirstEntry(state.path, nullptr);
        return;
    }
    state.file = file;
    state.ownsFile = true;
    writeHeader(file);
}

void writeLine(const char* prefix, const char* format, va_list args)
{
    std::lock_guard<std::mutex> guard(logLock());
    LogState& state = logState();
    if (state.cleanedUp)
        return;  // the log may be gone: never create it again
    ensureLog();
    if (state.file == nullptr)
        return;
    if (prefix != nullptr)
        std::fputs(prefix, state.file);
    std::vfprintf(state.file, format, args);
    std::fputs("\n", state.file);
    // Written through: a crash loses nothing. The file stays open (never
    // reopened by name, so nobody can swap it between two lines).
    std::fflush(state.file);
}

} // namespace

void logInfo(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    writeLine(nullptr, format, args);
    va_end(args);
}

void logError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    writeLine("ERROR: ", format, args);
    va_end(args);
}

const char* logFilePath()
{
    LogState& state = logState();
    std::lock_guard<std::mutex> guard(logLock());
    state.kept = true;
    return state.hasPath ? state.path : nullptr;
}

void logExitCleanup()
{
    LogState& state = logState();
    std::lock_guard<std::mutex> guard(logLock());
    if (state.cleanedUp)
        return;
    state.cleanedUp = true;
    if (state.file != nullptr) {
        std::fclose(state.file);
        state.file = nullptr;
    }
    if (!state.keepRequest && !state.kept && state.ownsFile && state.hasPath)
        deleteFileAt(state.path);
}

LogState& logState()
{
    static LogState state;
    return state;
}

std::mutex& logLock()
{
    static std::mutex lock;
    return lock;
}
