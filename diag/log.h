// The per-run diagnostic log: one line per call, written through so that every
// line is in the file when the call returns. The file is created once, kept open
// (others may only read it) and closed at exit; nothing is logged after that.
#pragma once

#if defined(__GNUC__)
#define KVELL_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define KVELL_PRINTF(fmt, args)
#endif

void logInfo(const char* format, ...) KVELL_PRINTF(1, 2);
// Same, prefixed "ERROR: ".
void logError(const char* format, ...) KVELL_PRINTF(1, 2);

// The log's path (nullptr before the first logging call). Marks the log to stay
// on disk: whoever is given the path may show it to the user.
const char* logFilePath();

// What the exit handler does: delete the log unless it was asked to stay. Runs at
// most once; the process-ending functions call it since ExitProcess skips atexit.
void logExitCleanup();

