#include "diag/errors.h"

#include <cstdio>
#include <cstring>

#include "diag/log.h"
#include "diag/message_texts.h"
#include "fs/platform.h"
#include "fs/text_buffer.h"

namespace {
// The error routing of the process: set at start-up (entry 107, "-q", "-c") and
// when the progress dialog comes and goes; read by whichever thread reports.
struct ErrorRouting {
    bool messageBoxes = true;
    void* owner = nullptr;
    MessageTexts texts;
};
ErrorRouting routing;

constexpr char kLogSuffix[] = "\n\nLog: ";

void configuredText(int id, char* buf, size_t cap)
{
    buf[0] = '\0';
    if (routing.texts.text != nullptr)
        routing.texts.text(id, buf, cap);
}

void configuredWideText(int id, WideChar* buf, size_t cap)
{
    buf[0] = 0;
    if (routing.texts.wideText != nullptr)
        routing.texts.wideText(id, buf, cap);
}

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
        WideString tail = KW("\n\nLog: ");
        tail += wideFromAnsi(logPath);
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
    if (routing.messageBoxes) {
        char caption[kTextBufferSize];
        configuredText(routing.texts.caption, caption, sizeof caption);
        showMessageBox(routing.owner, text, caption, kBoxOk | kBoxIconError);
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
    if (routing.messageBoxes) {
        WideChar caption[kTextBufferSize];
        configuredWideText(routing.texts.wideCaption, caption, kTextBufferSize);
        showMessageBoxWide(routing.owner, text.c_str(), caption, kBoxOk | kBoxIconError);
    } else {
        writeStandardErrorWide(text.c_str());
    }
}

void showErrorById(int id, const char* argument)
{
    char text[kTextBufferSize];
    configuredText(id, text, sizeof text);
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
    configuredWideText(id, text, kTextBufferSize);
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
    routing.owner = window;
}

void setMessageBoxErrors(bool on)
{
    routing.messageBoxes = on;
}

bool messageBoxErrors()
{
    return routing.messageBoxes;
}

void setMessageTexts(const MessageTexts& texts)
{
    routing.texts = texts;
}
