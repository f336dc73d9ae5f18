// Path and file helpers over narrow (8-bit) paths in 8192-byte buffers.
#pragma once
#include <cstddef>

#include "fs/platform.h"
#include "fs/text_buffer.h"

bool isWindowsNT();
// FindFirstFile-style existence test; lastWrite (optional) receives the entry's time.
bool findFile(const char* path, FileStamp* lastWrite = nullptr);
// Drive roots ("C:\", "C:\.", "C:\.\.") exist without asking the file system.
bool fileExists(const char* path);
bool isRelativePath(const char* path);
// Runs of backslashes become one, except a leading pair (UNC). Through UTF-16, so
// a path the code page cannot represent stays untouched.
void collapseBackslashes(char* path);
// A to Z become a to z, nothing else changes; through UTF-16 as above.
void lowerCasePath(char* path);

const char* getLauncherPath();
// Relative paths are taken relative to the launcher's directory.
void resolveFromLauncherDir(char* dest, const char* path, size_t cap = kTextBufferSize);
void getFullPath(char* dest, const char* path, bool keepCase);
// ";"-separated list, each item resolved; empty items are skipped.
void resolvePathList(char* dest, const char* list, size_t cap = kTextBufferSize);

// The pure transformations on UTF-16 text.
void collapseBackslashRuns(WideString& path);
void lowerCaseAsciiLetters(WideString& path);

