// Host implementation of the platform layer. The "file code page" here is
// Latin-1, so that the code-page passes can be exercised on Linux too: bytes map
// to U+0000..U+00FF and anything above is not representable.
#include "fs/platform.h"

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <dirent.h>
#include <dlfcn.h>

extern char** environ;

const char* const kLogDefaultDirectory = "/tmp/";
const char* const kLogFallbackPath = "/tmp/qmr_nlog";
const char kPathSeparator = '/';
const char* const kPathListSeparator = ":";

FileHandle openFileRead(const char* path)
{
    FileHandle file(::open(path, O_RDONLY));
    return file;
}

FileHandle createFileWrite(const char* path)
{
    FileHandle file(::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644));
    return file;
}

bool seekFile(const FileHandle& file, int64_t position)
{
    if (position < 0)
        return false;
    return ::lseek(static_cast<int>(file.get()), static_cast<off_t>(position), SEEK_SET) >= 0;
}

int64_t tellFile(const FileHandle& file)
{
    return ::lseek(static_cast<int>(file.get()), 0, SEEK_CUR);
}

int64_t sizeOfFile(const FileHandle& file)
{
    struct stat st;
    if (::fstat(static_cast<int>(file.get()), &st) != 0)
        return -1;
    return st.st_size;
}

bool readFileBytes(const FileHandle& file, void* buffer, uint32_t size, uint32_t* got)
{
    ssize_t n = ::read(static_cast<int>(file.get()), buffer, size);
    *got = n > 0 ? static_cast<uint32_t>(n) : 0;
    return n >= 0;
}

bool writeFileBytes(const FileHandle& file, const void* buffer, uint32_t size, uint32_t* written)
{
    ssize_t n = ::write(static_cast<int>(file.get()), buffer, size);
    *written = n > 0 ? static_cast<uint32_t>(n) : 0;
    return n >= 0;
}

void FileTraits::close(Raw raw)
{
    ::close(static_cast<int>(raw));
}

bool deleteFileAt(const char* path)
{
    return ::unlink(path) == 0;
}

bool directoryExists(const char* path)
{
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

FILE* createNewTextFile(const char* path)
{
    int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0)
        return nullptr;
    FILE* stream = ::fdopen(fd, "w");
    if (stream == nullptr)
        ::close(fd);
    return stream;
}

unsigned lastSystemError()
{
    return static_cast<unsigned>(errno);
}

bool readEnvironment(const char* name, char* buf, size_t cap)
{
    const char* value = std::getenv(name);
    if (value == nullptr || std::strlen(value) >= cap) {
        if (cap > 0)
            buf[0] = '\0';
        return false;
    }
    std::strcpy(buf, value);
    return true;
}

int currentProcessId()
{
    return static_cast<int>(::getpid());
}

void moduleFileNameNarrow(char* buf, size_t cap)
{
    ssize_t n = ::readlink("/proc/self/exe", buf, cap - 1);
    buf[n > 0 ? static_cast<size_t>(n) : 0] = '\0';
}

void exitProcessNow(int code)
{
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(code);
}

int showMessageBox(void*, const char* text, const char* caption, unsigned)
{
    std::fprintf(stderr, "[%s] %s\n", caption, text);
    return kAnswerYes;
}

int showMessageBoxWide(void*, const WideChar* text, const WideChar* caption, unsigned)
{
    std::fprintf(stderr, "[%s] %s\n", utf8FromWide(caption).c_str(), utf8FromWide(text).c_str());
    return kAnswerYes;
}

void writeStandardErrorWide(const WideChar* text)
{
    std::fprintf(stderr, "%s\n", utf8FromWide(text).c_str());
    std::fflush(stderr);
}

int toWideFileCodePage(const char* text, WideChar* out, int capUnits)
{
    int i = 0;
    for (;; ++i) {
        if (i >= capUnits)
            return 0;
        out[i] = static_cast<unsigned char>(text[i]);
        if (text[i] == '\0')
            return i + 1;
    }
}

int fromWideFileCodePage(const WideChar* text, char* out, int capBytes, bool* usedDefault)
{
    bool defaulted = false;
    int i = 0;
    for (;; ++i) {
        if (i >= capBytes)
            return 0;
        if (text[i] > 0xFF) {
            out[i] = '?';
            defaulted = true;
        } else {
            out[i] = static_cast<char>(text[i]);
        }
        if (text[i] == 0)
            break;
    }
    if (usedDefault != nullptr)
        *usedDefault = defaulted;
    return i + 1;
}

int toWideAnsi(const char* text, WideChar* out, int capUnits)
{
    return toWideFileCodePage(text, out, capUnits);
}

int fromWideAnsi(const WideChar* text, char* out, int capBytes, bool* usedDefault)
{
    return fromWideFileCodePage(text, out, capBytes, usedDefault);
}

size_t fullPathName(const char* path, char* out, size_t cap, size_t* filePart)
{
    // Lexical: the host has no drive letters; resolve against the current directory.
    std::string full;
    if (path[0] != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd) == nullptr)
            return 0;
        full = cwd;
        full += '/';
    }
    full += path;
    if (full.size() + 1 > cap) {
        if (cap > 0)
            out[0] = '\0';
        return 0;
    }
    std::strcpy(out, full.c_str());
    if (filePart != nullptr) {
        const char* slash = std::strrchr(out, '/');
        *filePart = slash != nullptr ? static_cast<size_t>(slash - out) + 1 : 0;
    }
    return full.size();
}

bool longPathName(const char* path, char* out, size_t cap)
{
    if (std::strlen(path) >= cap)
        return false;
    std::strcpy(out, path);
    return true;
}

bool findFirstEntry(const char* path, FileStamp* lastWrite)
{
    struct stat st;
    if (::stat(path, &st) != 0)
        return false;
    if (lastWrite != nullptr) {
        uint64_t t = static_cast<uint64_t>(st.st_mtime);
        lastWrite->low = static_cast<uint32_t>(t);
        lastWrite->high = static_cast<uint32_t>(t >> 32);
    }
    return true;
}

bool isWindowsNT()
{
    return false;
}

void launcherPathFromSystem(char* buf, size_t cap)
{
    // The host has no packed launcher of its own: KVELL_LAUNCHER_PATH names the
    // packed file that the host runner and the tests work on.
    if (!readEnvironment("KVELL_LAUNCHER_PATH", buf, cap) || buf[0] == '\0')
        moduleFileNameNarrow(buf, cap);
}

bool setCurrentDirectoryPath(const char* path)
{
    return ::chdir(path) == 0;
}

bool createDirectoryAt(const char* path)
{
    return ::mkdir(path, 0755) == 0;
}

bool removeDirectoryAt(const char* path)
{
    return ::rmdir(path) == 0;
}

bool removeDirectoryTree(const char* path)
{
    std::error_code error;
    std::filesystem::remove_all(path, error);
    return !error;
}

unsigned tempPathNarrow(char* buf, size_t cap)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    if (dir.back() != '/')
        dir += '/';
    if (dir.size() + 1 > cap) {
        buf[0] = '\0';
        return static_cast<unsigned>(dir.size() + 1);
    }
    std::strcpy(buf, dir.c_str());
    return static_cast<unsigned>(dir.size());
}

bool tempFileNameIn(const char* dir, const char* prefix, char* out, size_t cap)
{
    std::string pattern = std::string(dir);
    if (!pattern.empty() && pattern.back() != '/')
        pattern += '/';
    pattern += prefix;
    pattern += "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0)
        return false;
    ::close(fd);
    if (std::strlen(name.data()) + 1 > cap) {
        ::unlink(name.data());
        return false;
    }
    std::strcpy(out, name.data());
    return true;
}

void windowsDirectoryPath(char* buf, size_t cap)
{
    if (cap > 0)
        buf[0] = '\0';
}

bool findEntries(const char* pattern, std::vector<DirEntry>* entries)
{
    // The host has no wildcard search: "dir/*.ext" lists dir's names ending in .ext.
    std::string text(pattern);
    size_t star = text.find_last_of("/\\");
    std::string dir = star == std::string::npos ? "." : text.substr(0, star);
    std::string mask = star == std::string::npos ? text : text.substr(star + 1);
    std::string suffix = mask.size() > 0 && mask[0] == '*' ? mask.substr(1) : mask;
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr)
        return false;
    size_t before = entries->size();
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        bool matches = mask == "*.*" || (name.size() >= suffix.size() &&
                                         name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0);
        if (!matches)
            continue;
        DirEntry entry;
        entry.name = name;
        entry.isDirectory = directoryExists((dir + "/" + name).c_str());
        entries->push_back(entry);
    }
    ::closedir(d);
    return entries->size() > before;
}

std::vector<std::string> environmentEntries()
{
    std::vector<std::string> entries;
    for (char** p = environ; *p != nullptr; ++p)
        entries.emplace_back(*p);
    return entries;
}

bool readEnvironmentEx(const char* name, char* buf, size_t cap, bool* notDefined)
{
    *notDefined = std::getenv(name) == nullptr;
    return readEnvironment(name, buf, cap) && buf[0] != '\0';
}

int consoleOutputCodePage()
{
    return 65001;
}

bool standardErrorIsSeen()
{
    return true;
}

bool createPrivateDirectoryAt(const char* path)
{
    return ::mkdir(path, 0700) == 0;
}

// The host's loader has no program-folder search to take away.
void restrictDllSearch()
{
}

void addDllSearchDirectory(const char*)
{
}

TextFile openTextFile(const char* path)
{
    return TextFile(std::fopen(path, "r"));
}

TextFile openRegularTextFile(const char* path, bool* notRegular)
{
    struct stat st;
    *notRegular = ::stat(path, &st) == 0 && !S_ISREG(st.st_mode);
    return *notRegular ? TextFile() : openTextFile(path);
}

void LibraryTraits::close(Raw raw)
{
    ::dlclose(raw);
}

LibraryHandle loadLibraryFile(const char* path)
{
    return LibraryHandle(::dlopen(path, RTLD_NOW | RTLD_GLOBAL));
}

void* librarySymbol(const LibraryHandle& library, const char* name)
{
    return ::dlsym(library.get(), name);
}

bool readEnvironmentString(const char* name, std::string* value)
{
    const char* v = std::getenv(name);
    value->assign(v != nullptr ? v : "");
    return v != nullptr;
}

bool setEnvironmentValue(const char* name, const char* value)
{
    return value != nullptr ? ::setenv(name, value, 1) == 0 : ::unsetenv(name) == 0;
}

void putRuntimeEnvironment(const char*, const char*)
{
    // The host's C library has a single environment, already set above.
}

void currentDirectoryPath(char* buf, size_t cap)
{
    if (::getcwd(buf, cap) == nullptr && cap > 0)
        buf[0] = '\0';
}

WideString commandLineWide()
{
    // The host's arguments joined by blanks, each holding a blank put in quotes.
    std::string line;
    FILE* file = std::fopen("/proc/self/cmdline", "rb");
    if (file != nullptr) {
        std::string arg;
        int c;
        while ((c = std::fgetc(file)) != EOF) {
            if (c != '\0') {
                arg.push_back(static_cast<char>(c));
                continue;
            }
            if (!line.empty())
                line += ' ';
            line += arg.find(' ') != std::string::npos ? "\"" + arg + "\"" : arg;
            arg.clear();
        }
        std::fclose(file);
    }
    return wideFromUtf8(line);
}

#include <locale.h>
#include <wctype.h>

namespace {
wint_t upperCase(wint_t c)
{
    // The C locale would map ASCII letters only.
    static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return unicode != static_cast<locale_t>(nullptr) ? towupper_l(c, unicode) : towupper(c);
}
} // namespace

bool sameFileNameIgnoringCase(const WideString& a, const WideString& b)
{
    // Unit by unit through the upper-case mapping, as Windows compares file names.
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && upperCase(a[i]) != upperCase(b[i]))
            return false;
    }
    return true;
}

struct ThreadLock::State {
    std::mutex mutex;
};
ThreadLock::ThreadLock() : state_(std::make_unique<State>()) {}
ThreadLock::~ThreadLock() = default;
void ThreadLock::lock()
{
    state_->mutex.lock();
}
void ThreadLock::unlock()
{
    state_->mutex.unlock();
}

struct ThreadCondition::State {
    std::condition_variable condition;
};
ThreadCondition::ThreadCondition() : state_(std::make_unique<State>()) {}
ThreadCondition::~ThreadCondition() = default;
void ThreadCondition::wait(ThreadLock& lock)
{
    std::unique_lock<std::mutex> held(lock.state_->mutex, std::adopt_lock);
    state_->condition.wait(held);
    held.release();  // still held: the caller's
}
void ThreadCondition::wakeOne()
{
    state_->condition.notify_one();
}
