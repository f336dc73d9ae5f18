// Host implementation of the JVM search's OS services: real child processes
// (posix_spawn). The host has no registry: the test bed brings an in-memory one
// (tests/support/registry_memory.cpp).
#include "jvm/jvm_platform.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>


extern char** environ;

namespace {

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
    child->process.reset(pid);
    child->thread.reset();
    return true;
}

// A process id needs no closing.
void ProcessTraits::close(Raw)
{
}

bool waitForProcess(const ChildProcess& child, unsigned timeoutMs, unsigned* exitCode)
{
    pid_t pid = static_cast<pid_t>(child.process.get());
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

void terminateProcess(const ChildProcess& child, unsigned)
{
    pid_t pid = static_cast<pid_t>(child.process.get());
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

bool shortPathName(const char* path, char* out, size_t cap)
{
    if (std::strlen(path) >= cap)
        return false;
    std::strcpy(out, path);
    return true;
}

const uint16_t kProcessPeMachine = 0;
