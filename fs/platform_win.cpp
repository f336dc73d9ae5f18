#include "fs/platform.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sddl.h>

#include <cstdlib>
#include <filesystem>
#include <cstring>

#include "fs/text_buffer.h"

const char* const kLogDefaultDirectory = "c:\\";
const char* const kLogFallbackPath = "c:\\qmr_nlog";
const char kPathSeparator = '\\';
const char* const kPathListSeparator = ";";

namespace {
HANDLE toHandle(const FileHandle& file)
{
    return reinterpret_cast<HANDLE>(file.get());
}
FileHandle fromHandle(HANDLE handle)
{
    return FileHandle(handle == INVALID_HANDLE_VALUE ? FileTraits::kNone : reinterpret_cast<intptr_t>(handle));
}
UINT fileCodePage()
{
    return AreFileApisANSI() ? CP_ACP : CP_OEMCP;
}
} // namespace

FileHandle openFileRead(const char* path)
{
    return fromHandle(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle createFileWrite(const char* path)
{
    // A new file first: for CREATE_ALWAYS Wine truncates even a new file, and
    // on ext4 closing a truncated file starts writing all its data out (75 ms
    // for a runtime's 128 MB modules file). Only an existing one is replaced.
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS)
        file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return fromHandle(file);
}

bool seekFile(const FileHandle& file, int64_t position)
{
    if (position < 0)
        return false;
    LARGE_INTEGER to;
    to.QuadPart = position;
    return SetFilePointerEx(toHandle(file), to, nullptr, FILE_BEGIN) != 0;
}

int64_t tellFile(const FileHandle& file)
{
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    LARGE_INTEGER now;
    if (!SetFilePointerEx(toHandle(file), zero, &now, FILE_CURRENT))
        return -1;
    return now.QuadPart;
}

int64_t sizeOfFile(const FileHandle& file)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(toHandle(file), &size))
        return -1;
    return size.QuadPart;
}

bool readFileBytes(const FileHandle& file, void* buffer, uint32_t size, uint32_t* got)
{
    DWORD n = 0;
    BOOL ok = ReadFile(toHandle(file), buffer, size, &n, nullptr);
    *got = n;
    return ok != 0;
}

bool writeFileBytes(const FileHandle& file, const void* buffer, uint32_t size, uint32_t* written)
{
    DWORD n = 0;
    BOOL ok = WriteFile(toHandle(file), buffer, size, &n, nullptr);
    *written = n;
    return ok != 0;
}

void FileTraits::close(Raw raw)
{
    CloseHandle(reinterpret_cast<HANDLE>(raw));
}

bool deleteFileAt(const char* path)
{
    return DeleteFileA(path) != 0;
}

bool directoryExists(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FILE* createNewTextFile(const char* path)
{
    HANDLE handle = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_TEXT | _O_APPEND);
    if (fd == -1) {
        CloseHandle(handle);
        return nullptr;
    }
    FILE* stream = _fdopen(fd, "w");
    if (stream == nullptr)
        _close(fd);
    return stream;
}

unsigned lastSystemError()
{
    return GetLastError();
}

bool readEnvironment(const char* name, char* buf, size_t cap)
{
    bool notDefined = false;
    return readEnvironmentEx(name, buf, cap, &notDefined);
}

int currentProcessId()
{
    return static_cast<int>(GetCurrentProcessId());
}

void moduleFileNameNarrow(char* buf, size_t cap)
{
    DWORD n = GetModuleFileNameA(nullptr, buf, static_cast<DWORD>(cap));
    if (n == 0 || n >= cap)
        buf[n == 0 ? 0 : cap - 1] = '\0';
}

void exitProcessNow(int code)
{
    std::fflush(stdout);
    std::fflush(stderr);
    ExitProcess(static_cast<UINT>(code));
}

int showMessageBox(void* owner, const char* text, const char* caption, unsigned style)
{
    return MessageBoxA(static_cast<HWND>(owner), text, caption, style);
}

int showMessageBoxWide(void* owner, const WideChar* text, const WideChar* caption, unsigned style)
{
    return MessageBoxW(static_cast<HWND>(owner), text, caption, style);
}

void writeStandardErrorWide(const WideChar* text)
{
    std::fflush(stderr);
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    int units = static_cast<int>(std::wcslen(text));
    if (err != nullptr && err != INVALID_HANDLE_VALUE && GetConsoleMode(err, &mode)) {
        DWORD written = 0;
        WriteConsoleW(err, text, static_cast<DWORD>(units), &written, nullptr);
        WriteConsoleW(err, L"\n", 1, &written, nullptr);
        return;
    }
    // A pipe or file gets the text in the console's output code page.
    UINT codePage = GetConsoleOutputCP();
    if (codePage == 0)
        codePage = CP_ACP;
    int bytes = WideCharToMultiByte(codePage, 0, text, units, nullptr, 0, nullptr, nullptr);
    if (bytes > 0) {
        char* out = static_cast<char*>(std::malloc(static_cast<size_t>(bytes)));
        if (out != nullptr) {
            WideCharToMultiByte(codePage, 0, text, units, out, bytes, nullptr, nullptr);
            std::fwrite(out, 1, static_cast<size_t>(bytes), stderr);
            std::free(out);
        }
    }
    std::fputs("\n", stderr);
    std::fflush(stderr);
}

int toWideFileCodePage(const char* text, WideChar* out, int capUnits)
{
    return MultiByteToWideChar(fileCodePage(), 0, text, -1, out, capUnits);
}

int fromWideFileCodePage(const WideChar* text, char* out, int capBytes, bool* usedDefault)
{
    BOOL defaulted = FALSE;
    UINT codePage = fileCodePage();
    // UTF-8 (and a few others) refuse the default-character arguments.
    bool defaultAllowed = codePage != CP_UTF8 && GetACP() != CP_UTF8;
    int n = WideCharToMultiByte(codePage, 0, text, -1, out, capBytes, defaultAllowed ? "?" : nullptr,
                                defaultAllowed ? &defaulted : nullptr);
    if (usedDefault != nullptr)
        *usedDefault = defaulted != FALSE;
    return n;
}

int toWideAnsi(const char* text, WideChar* out, int capUnits)
{
    return MultiByteToWideChar(CP_ACP, 0, text, -1, out, capUnits);
}

int fromWideAnsi(const WideChar* text, char* out, int capBytes, bool* usedDefault)
{
    BOOL defaulted = FALSE;
    // UTF-8 refuses the flags and the default-character argument; it represents
    // everything but lone surrogates, which it reports as a failure.
    bool utf8 = GetACP() == CP_UTF8;
    int n = WideCharToMultiByte(CP_ACP, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, text, -1, out, capBytes,
                                nullptr, utf8 ? nullptr : &defaulted);
    if (usedDefault != nullptr)
        *usedDefault = defaulted != FALSE;
    return n;
}

size_t fullPathName(const char* path, char* out, size_t cap, size_t* filePart)
{
    char* part = nullptr;
    DWORD n = GetFullPathNameA(path, static_cast<DWORD>(cap), out, &part);
    if (n == 0 || n >= cap) {
        if (cap > 0)
            out[0] = '\0';
        return 0;
    }
    if (filePart != nullptr)
        *filePart = part != nullptr ? static_cast<size_t>(part - out) : n;
    return n;
}

bool longPathName(const char* path, char* out, size_t cap)
{
    DWORD n = GetLongPathNameA(path, out, static_cast<DWORD>(cap));
    return n != 0 && n < cap;
}

bool findFirstEntry(const char* path, FileStamp* lastWrite)
{
    WIN32_FIND_DATAA data;
    HANDLE found = FindFirstFileA(path, &data);
    if (found == INVALID_HANDLE_VALUE)
        return false;
    FindClose(found);
    if (lastWrite != nullptr) {
        lastWrite->low = data.ftLastWriteTime.dwLowDateTime;
        lastWrite->high = data.ftLastWriteTime.dwHighDateTime;
    }
    return true;
}

bool isWindowsNT()
{
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info))
        return false;
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

namespace {
// The UTF-16 name converted to the file code page; accepted only when every
// character was representable and it ends with ".exe".
bool acceptConverted(const wchar_t* wide, char* buf, size_t cap)
{
    bool usedDefault = false;
    if (fromWideFileCodePage(wide, buf, static_cast<int>(cap), &usedDefault) == 0 || usedDefault)
        return false;
    size_t len = std::strlen(buf);
    return len >= 4 && _stricmp(buf + len - 4, ".exe") == 0;
}
} // namespace

void launcherPathFromSystem(char* buf, size_t cap)
{
    buf[0] = '\0';
    if (!isWindowsNT()) {
        moduleFileNameNarrow(buf, cap);
        return;
    }
    static wchar_t wide[8192];
    DWORD n = GetModuleFileNameW(nullptr, wide, 8192);
    if (n > 0 && n < 8192 && acceptConverted(wide, buf, cap))
        return;
    static wchar_t shortWide[8192];
    DWORD s = n > 0 && n < 8192 ? GetShortPathNameW(wide, shortWide, 8192) : 0;
    if (s > 0 && s < 8192 && acceptConverted(shortWide, buf, cap))
        return;
    char narrow[8192];
    moduleFileNameNarrow(narrow, sizeof narrow);
    DWORD m = GetShortPathNameA(narrow, buf, static_cast<DWORD>(cap));
    if (m == 0 || m >= cap)
        buf[0] = '\0';
}

bool setCurrentDirectoryPath(const char* path)
{
    return SetCurrentDirectoryA(path) != 0;
}

bool createDirectoryAt(const char* path)
{
    return CreateDirectoryA(path, nullptr) != 0;
}

namespace {
// The current user's SID as text ("S-1-5-21-...").
bool currentUserSid(std::string* sid)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size > 0 ? size : 1);
    bool ok = GetTokenInformation(token, TokenUser, buffer.data(), size, &size) != 0;
    CloseHandle(token);
    char* text = nullptr;
    if (!ok || !ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text))
        return false;
    sid->assign(text);
    LocalFree(text);
    return true;
}
} // namespace

bool createPrivateDirectoryAt(const char* path)
{
    std::string sid;
    if (!currentUserSid(&sid))
        return false;
    // Protected (nothing inherited from the parent): full control for the user
    // and SYSTEM, passed on to everything created inside.
    std::string sddl = "D:P(A;OICI;FA;;;" + sid + ")(A;OICI;FA;;;SY)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    bool created = CreateDirectoryA(path, &attributes) != 0;
    LocalFree(descriptor);
    return created;
}

bool removeDirectoryAt(const char* path)
{
    return RemoveDirectoryA(path) != 0;
}

bool removeDirectoryTree(const char* path)
{
    // Through the wide name: the narrow one is in the ANSI code page.
    std::error_code error;
    std::filesystem::remove_all(std::filesystem::path(wideFromFileCodePage(path)), error);
    return !error;
}

unsigned tempPathNarrow(char* buf, size_t cap)
{
    DWORD n = GetTempPathA(static_cast<DWORD>(cap), buf);
    if (n == 0 || n >= cap)
        buf[0] = '\0';
    return n;
}

bool tempFileNameIn(const char* dir, const char* prefix, char* out, size_t cap)
{
    // GetTempFileNameA writes up to MAX_PATH characters.
    char name[MAX_PATH + 1];
    if (GetTempFileNameA(dir, prefix, 0, name) == 0)
        return false;
    return copyBounded(out, cap, name);
}

void windowsDirectoryPath(char* buf, size_t cap)
{
    UINT n = GetWindowsDirectoryA(buf, static_cast<UINT>(cap));
    if (n == 0 || n >= cap)
        buf[0] = '\0';
}

bool findEntries(const char* pattern, std::vector<DirEntry>* entries)
{
    WIN32_FIND_DATAA data;
    HANDLE found = FindFirstFileA(pattern, &data);
    if (found == INVALID_HANDLE_VALUE)
        return false;
    do {
        DirEntry entry;
        entry.name = data.cFileName;
        entry.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entries->push_back(entry);
    } while (FindNextFileA(found, &data));
    FindClose(found);
    return true;
}

std::vector<std::string> environmentEntries()
{
    std::vector<std::string> entries;
    char* block = GetEnvironmentStrings();
    if (block == nullptr)
        return entries;
    for (const char* p = block; *p != '\0'; p += std::strlen(p) + 1)
        entries.emplace_back(p);
    FreeEnvironmentStringsA(block);
    return entries;
}

bool readEnvironmentEx(const char* name, char* buf, size_t cap, bool* notDefined)
{
    SetLastError(ERROR_SUCCESS);
    DWORD n = GetEnvironmentVariableA(name, buf, static_cast<DWORD>(cap));
    *notDefined = n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND;
    if (n == 0 || n >= cap) {
        if (cap > 0)
            buf[0] = '\0';
        return false;
    }
    return true;
}

int consoleOutputCodePage()
{
    return static_cast<int>(GetConsoleOutputCP());
}

bool standardErrorIsSeen()
{
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err == nullptr || err == INVALID_HANDLE_VALUE)
        return false;
    DWORD mode = 0;
    if (!GetConsoleMode(err, &mode))
        return true;  // a file or a pipe: someone reads it
    // A console without a window (CREATE_NO_WINDOW) belongs to a program run
    // unattended; nobody could answer a box there.
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) != 1 || GetConsoleWindow() == nullptr;
}

TextFile openTextFile(const char* path)
{
    return TextFile(std::fopen(path, "rt"));
}

TextFile openRegularTextFile(const char* path, bool* notRegular)
{
    *notRegular = false;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        *notRegular = true;
        return TextFile();
    }
    TextFile file = openTextFile(path);
    if (file && GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file.get())))) != FILE_TYPE_DISK) {
        *notRegular = true;
        file.reset();
    }
    return file;
}

namespace {
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr DWORD kSearchUserDirs = 0x00000400;  // LOAD_LIBRARY_SEARCH_USER_DIRS

// Looked up at run time: Windows 7 has them only with its 2011 loader update.
template <typename Function>
Function kernelFunction(const char* name)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name)))
                             : nullptr;
}
} // namespace

void restrictDllSearch()
{
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    if (auto set = kernelFunction<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories"))
        set(kSearchSystem32 | kSearchUserDirs);
}

void addDllSearchDirectory(const char* path)
{
    using AddDllDirectoryFn = void*(WINAPI*)(const wchar_t*);
    WideString wide = wideFromFileCodePage(path);
    if (auto add = kernelFunction<AddDllDirectoryFn>("AddDllDirectory"); add != nullptr && !wide.empty())
        add(wide.c_str());
}

void LibraryTraits::close(Raw raw)
{
    FreeLibrary(static_cast<HMODULE>(raw));
}

LibraryHandle loadLibraryFile(const char* path)
{
    return LibraryHandle(reinterpret_cast<void*>(LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)));
}

LibraryHandle loadSystemLibrary(const char* name)
{
    char directory[MAX_PATH];
    UINT length = GetSystemDirectoryA(directory, sizeof directory);
    if (length == 0 || length >= sizeof directory)
        return LibraryHandle();
    std::string path = std::string(directory) + "\\" + name;
    return LibraryHandle(reinterpret_cast<void*>(LoadLibraryExA(path.c_str(), nullptr, 0)));
}

void* librarySymbol(const LibraryHandle& library, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library.get()), name));
}

bool readEnvironmentString(const char* name, std::string* value)
{
    SetLastError(ERROR_SUCCESS);
    DWORD needed = GetEnvironmentVariableA(name, nullptr, 0);
    if (needed == 0) {
        value->clear();
        return GetLastError() != ERROR_ENVVAR_NOT_FOUND;  // defined but empty
    }
    std::vector<char> buf(needed + 1);
    DWORD n = GetEnvironmentVariableA(name, buf.data(), static_cast<DWORD>(buf.size()));
    value->assign(buf.data(), n < buf.size() ? n : 0);
    return true;
}

bool setEnvironmentValue(const char* name, const char* value)
{
    return SetEnvironmentVariableA(name, value) != 0;
}

void putRuntimeEnvironment(const char* name, const char* value)
{
    std::string entry = std::string(name) + "=" + (value != nullptr ? value : "");
    _putenv(entry.c_str());
}

void currentDirectoryPath(char* buf, size_t cap)
{
    DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(cap), buf);
    if (n == 0 || n >= cap)
        buf[0] = '\0';
}

WideString commandLineWide()
{
    return WideString(GetCommandLineW());
}

bool sameFileNameIgnoringCase(const WideString& a, const WideString& b)
{
    // The comparison NTFS makes: each UTF-16 unit through the upper-case table.
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

struct ThreadLock::State {
    SRWLOCK lock = SRWLOCK_INIT;
};
ThreadLock::ThreadLock() : state_(std::make_unique<State>()) {}
ThreadLock::~ThreadLock() = default;
void ThreadLock::lock()
{
    AcquireSRWLockExclusive(&state_->lock);
}
void ThreadLock::unlock()
{
    ReleaseSRWLockExclusive(&state_->lock);
}

struct ThreadCondition::State {
    CONDITION_VARIABLE condition = CONDITION_VARIABLE_INIT;
};
ThreadCondition::ThreadCondition() : state_(std::make_unique<State>()) {}
ThreadCondition::~ThreadCondition() = default;
void ThreadCondition::wait(ThreadLock& lock)
{
    SleepConditionVariableSRW(&state_->condition, &lock.state_->lock, INFINITE, 0);
}
void ThreadCondition::wakeOne()
{
    WakeConditionVariable(&state_->condition);
}
