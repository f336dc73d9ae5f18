// The narrow layer between the launcher's logic and the operating system.
// platform_win.cpp implements it with Win32; platform_posix.cpp gives the host
// build (unit tests, the build tool) the same services on Linux.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>
#include "fs/unique_handle.h"
#include "fs/wide.h"

// ---- files ---------------------------------------------------------------
struct FileTraits {
    using Raw = intptr_t;
    static constexpr Raw kNone = -1;
    static void close(Raw raw);
};
// A file opened with the platform's file API; closed when it goes.
using FileHandle = UniqueHandle<FileTraits>;
inline bool isOpen(const FileHandle& file)
{
    return file.isOpen();
}
// Existing file, read access, others may read and write meanwhile.
FileHandle openFileRead(const char* path);
// New or replaced file, write access, no sharing.
FileHandle createFileWrite(const char* path);
bool seekFile(const FileHandle& file, int64_t position);
int64_t tellFile(const FileHandle& file);
int64_t sizeOfFile(const FileHandle& file);
// One read call; *got receives the bytes read.
bool readFileBytes(const FileHandle& file, void* buffer, uint32_t size, uint32_t* got);
bool writeFileBytes(const FileHandle& file, const void* buffer, uint32_t size, uint32_t* written);
bool deleteFileAt(const char* path);
bool directoryExists(const char* path);
// Creates a file that must not exist yet and opens it as a text stream for
// writing; others may read it meanwhile, not write or delete it.
FILE* createNewTextFile(const char* path);

// The system's error code of the last failed call (GetLastError / errno).
unsigned lastSystemError();

// ---- process -------------------------------------------------------------
// Environment variable into buf; false when it is not defined or does not fit.
bool readEnvironment(const char* name, char* buf, size_t cap);
int currentProcessId();
// The module path as the narrow API reports it.
void moduleFileNameNarrow(char* buf, size_t cap);
[[noreturn]] void exitProcessNow(int code);

// ---- user interface ------------------------------------------------------
constexpr unsigned kBoxOk = 0x0;
constexpr unsigned kBoxYesNo = 0x4;
constexpr unsigned kBoxIconError = 0x10;
constexpr unsigned kBoxIconWarning = 0x30;
constexpr int kAnswerYes = 6;
int showMessageBox(void* owner, const char* text, const char* caption, unsigned style);
int showMessageBoxWide(void* owner, const WideChar* text, const WideChar* caption, unsigned style);
// Writes the wide text to standard error (the console's own characters when it is one).
void writeStandardErrorWide(const WideChar* text);

// ---- paths and code pages ------------------------------------------------
// Narrow path as the file API takes it <-> UTF-16. Results include the terminator;
// 0 means failure. usedDefault reports characters the code page cannot represent.
int toWideFileCodePage(const char* text, WideChar* out, int capUnits);
int fromWideFileCodePage(const WideChar* text, char* out, int capBytes, bool* usedDefault);
// System ANSI code page -> UTF-16 (for 8-bit texts shown in wide messages).
int toWideAnsi(const char* text, WideChar* out, int capUnits);
// UTF-16 -> system ANSI code page, no best-fit substitutes; usedDefault reports
// characters the code page cannot represent.
int fromWideAnsi(const WideChar* text, char* out, int capBytes, bool* usedDefault);
// The same conversions into a string of at most 8192 units; "" when the text
// cannot be converted or is longer (code_pages.cpp).
WideString wideFromAnsi(const char* text);
WideString wideFromFileCodePage(const char* text);
// The whole text in the ANSI code page; false when a character has no
// representation there (out then holds nothing useful).
bool ansiFromWide(const WideString& text, std::string* out);
// Full path; *filePart receives the offset of the file name part (or the length).
// Returns the length written, 0 on failure or when it does not fit.
size_t fullPathName(const char* path, char* out, size_t cap, size_t* filePart);
bool longPathName(const char* path, char* out, size_t cap);
struct FileStamp {
    uint32_t low = 0;
    uint32_t high = 0;
};
bool findFirstEntry(const char* path, FileStamp* lastWrite);

// Fallbacks of the diagnostic log.
extern const char* const kLogDefaultDirectory;
extern const char* const kLogFallbackPath;
extern const char kPathSeparator;

// ---- the launcher's own file ---------------------------------------------
// The launcher's path as the narrow file API can open it (the long name when the
// code page represents it, else the short form).
void launcherPathFromSystem(char* buf, size_t cap);
bool isWindowsNT();
bool setCurrentDirectoryPath(const char* path);

// ---- directories, temporary names, environment block ----------------------
bool createDirectoryAt(const char* path);
// A new directory that only the current user and SYSTEM may use (its files
// inherit that): the extraction directory may lie in a folder others can write.
bool createPrivateDirectoryAt(const char* path);
bool removeDirectoryAt(const char* path);
// Removes a directory with everything in it (links are removed, not followed).
bool removeDirectoryTree(const char* path);
// GetTempPathA: the length reported (0 on failure); buf holds the path.
unsigned tempPathNarrow(char* buf, size_t cap);
// GetTempFileNameA with a system-chosen number; creates the empty file.
bool tempFileNameIn(const char* dir, const char* prefix, char* out, size_t cap);
void windowsDirectoryPath(char* buf, size_t cap);
struct DirEntry {
    std::string name;
    bool isDirectory = false;
};
// The entries FindFirstFile/FindNextFile return for pattern, in their order.
bool findEntries(const char* pattern, std::vector<DirEntry>* entries);
// The process's narrow environment block, entry by entry, in block order.
std::vector<std::string> environmentEntries();
// Like readEnvironment, also telling whether the variable is not defined at all.
bool readEnvironmentEx(const char* name, char* buf, size_t cap, bool* notDefined);
int consoleOutputCodePage();
// Whether text on standard error can reach anyone: not when there is none (a
// GUI program started without redirection), nor when it is a console window of
// this process alone (a console program started from Explorer), which closes
// the moment the process ends.
bool standardErrorIsSeen();
// A C stream, closed when it goes.
struct TextFileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using TextFile = std::unique_ptr<FILE, TextFileCloser>;
// Opens a text file for reading ("rt"); empty when it cannot.
TextFile openTextFile(const char* path);
// The same for regular files only: a device, pipe or directory gives an empty
// result and *notRegular set, so that nothing can block or stream forever.
TextFile openRegularTextFile(const char* path, bool* notRegular);

// ---- libraries and the environment ---------------------------------------
// Takes the program's folder and the current directory out of the DLL search
// for the rest of the process: System32 and the directories added with
// addDllSearchDirectory only. Called first thing at start.
void restrictDllSearch();
// Adds a directory to that search (a runtime's bin, the native library dirs).
void addDllSearchDirectory(const char* path);
struct LibraryTraits {
    using Raw = void*;
    static constexpr Raw kNone = nullptr;
    static void close(Raw raw);
};
// A loaded library, unloaded when it goes unless released (the JVM's never is).
using LibraryHandle = UniqueHandle<LibraryTraits>;
// Loads a library so that its own dependencies are looked up beside it.
LibraryHandle loadLibraryFile(const char* path);
// Loads a Windows library (a plain file name) from the system directory only,
// never from the program's folder, the current directory or PATH.
LibraryHandle loadSystemLibrary(const char* name);
void* librarySymbol(const LibraryHandle& library, const char* name);
// The whole value of an environment variable, however long; false when unset.
bool readEnvironmentString(const char* name, std::string* value);
// Sets (value) or removes (nullptr) a variable in the process environment.
bool setEnvironmentValue(const char* name, const char* value);
// The C runtime's own copy of the environment ("NAME=value" through _putenv).
void putRuntimeEnvironment(const char* name, const char* value);

// Separator of path lists (PATH, the class path): ";" on Windows.
extern const char* const kPathListSeparator;

// ---- process state -------------------------------------------------------
void currentDirectoryPath(char* buf, size_t cap);
// The process's whole command line as UTF-16 (GetCommandLineW).
WideString commandLineWide();

// ---- file names ----------------------------------------------------------
// Whether a case-insensitive file system takes a and b for one file name:
// equal ignoring letter case, non-ASCII letters included.
bool sameFileNameIgnoringCase(const WideString& a, const WideString& b);

// ---- threads -------------------------------------------------------------
// A lock and conditions for threads that hand work to each other. On Windows
// an SRW lock and condition variables: under Wine they wait without a round
// trip to wineserver, unlike the C++ library's (winpthreads' semaphores).
class ThreadLock {
public:
    ThreadLock();
    ~ThreadLock();
    ThreadLock(const ThreadLock&) = delete;
    ThreadLock& operator=(const ThreadLock&) = delete;
    void lock();
    void unlock();

private:
    friend class ThreadCondition;
    struct State;
    std::unique_ptr<State> state_;
};
class ThreadCondition {
public:
    ThreadCondition();
    ~ThreadCondition();
    ThreadCondition(const ThreadCondition&) = delete;
    ThreadCondition& operator=(const ThreadCondition&) = delete;
    // Called holding lock: releases it until woken (or spuriously), then takes it again.
    void wait(ThreadLock& lock);
    void wakeOne();

private:
    struct State;
    std::unique_ptr<State> state_;
};
