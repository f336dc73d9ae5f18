// Host implementation of the JVM search's OS services: real child processes
// (posix_spawn) and an in-memory registry for the unit tests.
#include "jvm/jvm_platform.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "jvm/registry_memory.h"

extern char** environ;

namespace {

// ---- in-memory registry -------------------------------------------------------
struct MemoryValue {
    uint32_t type = 0;
    std::vector<unsigned char> data;
};

struct MemoryKey {
    std::string name;  // last component, as created
    std::map<std::string, MemoryValue> values;  // by lower-cased name
};

struct MemoryRegistry {
    std::map<std::string, MemoryKey> keys;  // by lower-cased full path, root included
    std::map<intptr_t, std::string> open;
    intptr_t nextHandle = 1;
    bool denyUser = false;
    bool denyMachine = false;
    bool failEnumeration = false;
};

MemoryRegistry& registry()
{
    static MemoryRegistry instance;
    return instance;
}

std::string lowered(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::string fullKeyPath(RegRoot root, const char* path)
{
    std::string full = root == RegRoot::CurrentUser ? "hkcu" : "hklm";
    std::string rest(path);
    while (!rest.empty() && rest.back() == '\\')
        rest.pop_back();
    if (!rest.empty())
        full += "\\" + rest;
    return full;
}

RegKey openHandle(const std::string& lowerPath)
{
    RegKey key;
    key.raw = registry().nextHandle++;
    registry().open[key.raw] = lowerPath;
    return key;
}

const std::string* pathOf(RegKey key)
{
    auto found = registry().open.find(key.raw);
    return found == registry().open.end() ? nullptr : &found->second;
}

MemoryKey* keyOf(RegKey key)
{
    const std::string* path = pathOf(key);
    if (path == nullptr)
        return nullptr;
    auto found = registry().keys.find(*path);
    return found == registry().keys.end() ? nullptr : &found->second;
}

// ---- processes -----------------------------------------------------------------
// The command line split the way Windows programs split theirs, simplified:
// blanks separate, double quotes group and are dropped, backslashes are literal.
std::vector<std::string> splitWindowsCommandLine(const char* line)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char* p = line; *p != '\0'; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((*p == ' ' || *p == '\t') && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += *p;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

unsigned exitCodeOf(int status)
{
    if (WIFEXITED(status))
        return static_cast<unsigned>(WEXITSTATUS(status));
    return 128u + static_cast<unsigned>(WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

long long nowMillis()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace

void resetRegistryForTests()
{
    registry() = MemoryRegistry();
}

int openRegistryKeysForTests()
{
    return static_cast<int>(registry().open.size());
}

void denyRegistryWritesForTests(RegRoot root, bool deny)
{
    (root == RegRoot::CurrentUser ? registry().denyUser : registry().denyMachine) = deny;
}

void failRegistryEnumerationForTests(bool fail)
{
    registry().failEnumeration = fail;
}

bool regOpenRead(RegRoot root, const char* path, RegKey* key)
{
    std::string lowerPath = lowered(fullKeyPath(root, path));
    if (registry().keys.count(lowerPath) == 0)
        return false;
    *key = openHandle(lowerPath);
    return true;
}

bool regCreate(RegRoot root, const char* path, RegKey* key)
{
    if (root == RegRoot::CurrentUser ? registry().denyUser : registry().denyMachine)
        return false;
    std::string full = fullKeyPath(root, path);
    // Every ancestor exists too, as on Windows.
    size_t from = 0;
    while (true) {
        size_t separator = full.find('\\', from);
        std::string prefix = full.substr(0, separator);
        MemoryKey& made = registry().keys[lowered(prefix)];
        if (made.name.empty())
            made.name = prefix.substr(prefix.rfind('\\') == std::string::npos ? 0 : prefix.rfind('\\') + 1);
        if (separator == std::string::npos)
            break;
        from = separator + 1;
    }
    *key = openHandle(lowered(full));
    return true;
}

void regClose(RegKey& key)
{
    registry().open.erase(key.raw);
    key.raw = 0;
}

bool regQueryValue(RegKey key, const char* name, void* buf, uint32_t cap, uint32_t* size, uint32_t* type)
{
    MemoryKey* opened = keyOf(key);
    if (opened == nullptr)
        return false;
    auto found = opened->values.find(lowered(name));
    if (found == opened->values.end() || found->second.data.size() > cap)
        return false;
    if (!found->second.data.empty())
        std::memcpy(buf, found->second.data.data(), found->second.data.size());
    *size = static_cast<uint32_t>(found->second.data.size());
    *type = found->second.type;
    return true;
}

bool regSetValue(RegKey key, const char* name, uint32_t type, const void* data, uint32_t size)
{
    MemoryKey* opened = keyOf(key);
    if (opened == nullptr)
        return false;
    MemoryValue& value = opened->values[lowered(name)];
    value.type = type;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    value.data.assign(bytes, bytes + size);
    return true;
}

RegEnum regEnumSubKey(RegKey key, uint32_t index, char* name, uint32_t cap)
{
    const std::string* path = pathOf(key);
    if (path == nullptr || registry().failEnumeration)
        return RegEnum::Failed;
    std::string prefix = *path + "\\";
    uint32_t seen = 0;
    for (const auto& [lowerPath, child] : registry().keys) {
        if (lowerPath.compare(0, prefix.size(), prefix) != 0 || lowerPath.find('\\', prefix.size()) != std::string::npos)
            continue;
        if (seen++ != index)
            continue;
        if (child.name.size() + 1 > cap)
            return RegEnum::TooLong;
        std::memcpy(name, child.name.c_str(), child.name.size() + 1);
        return RegEnum::Ok;
    }
    return RegEnum::NoMore;
}

bool startHiddenProcess(const char* commandLine, const char* stderrPath, ChildProcess* child, unsigned* error)
{
    std::vector<std::string> words = splitWindowsCommandLine(commandLine);
    if (words.empty()) {
        *error = ENOENT;
        return false;
    }
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int errorFile = -1;
    if (stderrPath != nullptr) {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        errorFile = ::open(stderrPath, O_RDWR | O_CREAT | O_TRUNC, 0644);
        if (errorFile >= 0)
            posix_spawn_file_actions_adddup2(&actions, errorFile, 2);
        else
            posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = 0;
    int status = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (errorFile >= 0)
        ::close(errorFile);
    *error = static_cast<unsigned>(status);
    if (status != 0)
        return false;
    child->process = pid;
    child->thread = 0;
    return true;
}

bool waitForProcess(ChildProcess child, unsigned timeoutMs, unsigned* exitCode)
{
    pid_t pid = static_cast<pid_t>(child.process);
    int status = 0;
    if (timeoutMs == kWaitForever) {
        pid_t done;
        do {
            done = ::waitpid(pid, &status, 0);
        } while (done < 0 && errno == EINTR);
        *exitCode = done == pid ? exitCodeOf(status) : 1u;
        return done == pid;
    }
    long long deadline = nowMillis() + timeoutMs;
    while (true) {
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            *exitCode = exitCodeOf(status);
            return true;
        }
        if (done < 0 && errno != EINTR) {
            *exitCode = 1;
            return true;
        }
        if (nowMillis() >= deadline)
            break;
        ::usleep(5000);
    }
    *exitCode = 259;  // what Windows reports for a process still running
    return false;
}

void terminateProcess(ChildProcess child, unsigned)
{
    pid_t pid = static_cast<pid_t>(child.process);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

void closeProcess(ChildProcess& child)
{
    child = ChildProcess();
}

bool shortPathName(const char* path, char* out, size_t cap)
{
    if (std::strlen(path) >= cap)
        return false;
    std::strcpy(out, path);
    return true;
}

bool searchExecutablePath(const char* fileName, char* out, size_t cap)
{
    // The host looks only along PATH.
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return false;
    std::string list(path);
    size_t from = 0;
    while (from <= list.size()) {
        size_t colon = list.find(':', from);
        std::string dir = list.substr(from, colon == std::string::npos ? std::string::npos : colon - from);
        if (!dir.empty()) {
            std::string candidate = dir + "/" + fileName;
            struct stat st;
            if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && candidate.size() < cap) {
                std::strcpy(out, candidate.c_str());
                return true;
            }
        }
        if (colon == std::string::npos)
            break;
        from = colon + 1;
    }
    return false;
}
