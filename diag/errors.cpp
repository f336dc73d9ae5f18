#include "diag/errors.h"

#include <cstdio>
#include <cstring>

#include "diag/log.h"
#include "fs/platform.h"
#include "fs/text_buffer.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

bool messageBoxErrors = true;

namespace {
void* errorOwner = nullptr;
constexpr char kLogSuffix[] = "\n\nLog: ";

// The log path in its long form; unchanged when that fails.
const char* longLogPath(char* buf, size_t cap)
{
    const char* path = logFilePath();
    if (path == nullptr)
        return nullptr;
    if (!longPathName(path, buf, cap))
        copyBounded(buf, cap, path);
    return buf;
}
} // namespace

void composeErrorText(const char* message, const char* logPath, char* out, size_t cap)
{
    if (logPath == nullptr) {
        copyBounded(out, cap, message);
        return;
    }
    size_t tail = std::strlen(kLogSuffix) + std::strlen(logPath);
    size_t room = cap > tail ? cap - tail : 1;
    copyBounded(out, room, message);
    appendBounded(out, cap, kLogSuffix);
    appendBounded(out, cap, logPath);
}

WideString composeErrorTextWide(const WideChar* message, const char* logPath)
{
    WideString text(message);
    if (logPath != nullptr) {
        WideChar widePath[kTextBufferSize];
        if (toWideAnsi(logPath, widePath, static_cast<int>(kTextBufferSize)) == 0)
            widePath[0] = 0;
        WideString tail = KW("\n\nLog: ");
        tail += widePath;
        size_t room = kTextBufferSize - 1 > tail.size() ? kTextBufferSize - 1 - tail.size() : 0;
        if (text.size() > room)
            text.resize(room);
        text += tail;
    }
    if (text.size() > kTextBufferSize - 1)
        text.resize(kTextBufferSize - 1);
    return text;
}

void showError(const char* message)
{
    char pathBuf[kTextBufferSize];
    const char* path = longLogPath(pathBuf, sizeof pathBuf);
    char text[kTextBufferSize];
    composeErrorText(message, path, text, sizeof text);
    if (messageBoxErrors) {
        char caption[kTextBufferSize];
        getString(cfg::kMsgCaption, caption, sizeof caption);
        showMessageBox(errorOwner, text, caption, kBoxOk | kBoxIconError);
    } else {
        std::fprintf(stderr, "%s\n", text);
        std::fflush(stderr);
    }
}

void showErrorWide(const WideChar* message)
{
    char pathBuf[kTextBufferSize];
    const char* path = longLogPath(pathBuf, sizeof pathBuf);
    WideString text = composeErrorTextWide(message, path);
    if (messageBoxErrors) {
        WideChar caption[kTextBufferSize];
        getWideString(cfg::kWAppTitle, caption, kTextBufferSize);
        showMessageBoxWide(errorOwner, text.c_str(), caption, kBoxOk | kBoxIconError);
    } else {
        writeStandardErrorWide(text.c_str());
    }
}

void showErrorById(int id, const char* argument)
{
    char text[kTextBufferSize];
    getString(id, text, sizeof text);
    if (argument != nullptr)
        replaceFirst(text, sizeof text, "{0}", argument, true);
    showError(text);
}

void fatalError(const char* message)
{
    showError(message);
    exitNow(1);
}

void fatalErrorById(int id, const char* argument)
{
    showErrorById(id, argument);
    exitNow(1);
}

void fatalErrorWideById(int id)
{
    WideChar text[kTextBufferSize];
    getWideString(id, text, kTextBufferSize);
    showErrorWide(text);
    exitNow(1);
}

void exitNow(int code)
{
    logExitCleanup();
    exitProcessNow(code);
}

void setErrorOwner(void* window)
{
    errorOwner = window;
}
