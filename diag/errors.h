// Error messages shown to the user and the ways the process ends. Every message
// carries the log's path, which also keeps the log on disk.
#pragma once
#include "fs/wide.h"

// On (the default): message boxes. Off: standard error (console programs, "-q", "-c").
void setMessageBoxErrors(bool on);
bool messageBoxErrors();

void showError(const char* message);
void showErrorWide(const WideChar* message);
// String entry id with its first "{0}" replaced by argument (when given).
void showErrorById(int id, const char* argument = nullptr);

[[noreturn]] void fatalError(const char* message);
[[noreturn]] void fatalErrorById(int id, const char* argument = nullptr);
[[noreturn]] void fatalErrorWideById(int id);
// Ends the process at once, showing nothing; the log's exit handling still runs.
[[noreturn]] void exitNow(int code);

void setErrorOwner(void* window);

// The text shown for message (log path appended), bounded to 8192 characters:
// an over-long message is cut so that the log line stays whole.
void composeErrorText(const char* message, const char* logPath, char* out, size_t cap);
WideString composeErrorTextWide(const WideChar* message, const char* logPath);
