#include "jvm/jvm_platform.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace {
HANDLE toHandle(intptr_t raw)
{
    return reinterpret_cast<HANDLE>(raw);
}

// The file that receives the child's standard error, as an inheritable handle.
HANDLE createInheritableFile(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    HANDLE inheritable = nullptr;
    HANDLE self = GetCurrentProcess();
    if (!DuplicateHandle(self, file, self, &inheritable, 0, TRUE, DUPLICATE_SAME_ACCESS))
        inheritable = nullptr;
    CloseHandle(file);
    return inheritable;
}
} // namespace

bool startHiddenProcess(const char* commandLine, const char* stderrPath, ChildProcess* child, unsigned* error)
{
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    HANDLE errorFile = nullptr;
    if (stderrPath != nullptr) {
        errorFile = createInheritableFile(stderrPath);
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = nullptr;
        startup.hStdError = errorFile;
    }
    // CreateProcessA may write into the command line.
    std::vector<char> line(commandLine, commandLine + std::strlen(commandLine) + 1);
    PROCESS_INFORMATION info;
    std::memset(&info, 0, sizeof info);
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                                  nullptr, &startup, &info);
    *error = started ? 0 : GetLastError();
    // The child holds its own copy of the handle.
    if (errorFile != nullptr)
        CloseHandle(errorFile);
    if (!started)
        return false;
    child->process.reset(reinterpret_cast<intptr_t>(info.hProcess));
    child->thread.reset(reinterpret_cast<intptr_t>(info.hThread));
    return true;
}

void ProcessTraits::close(Raw raw)
{
    CloseHandle(toHandle(raw));
}

bool waitForProcess(const ChildProcess& child, unsigned timeoutMs, unsigned* exitCode)
{
    DWORD waited =
        WaitForSingleObject(toHandle(child.process.get()), timeoutMs == kWaitForever ? INFINITE : timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(toHandle(child.process.get()), &code);
    *exitCode = code;
    return waited == WAIT_OBJECT_0;
}

void terminateProcess(const ChildProcess& child, unsigned exitCode)
{
    TerminateProcess(toHandle(child.process.get()), exitCode);
    // Until it is gone it may still hold files the caller wants to delete.
    WaitForSingleObject(toHandle(child.process.get()), 5000);
}

bool shortPathName(const char* path, char* out, size_t cap)
{
    DWORD n = GetShortPathNameA(path, out, static_cast<DWORD>(cap));
    return n != 0 && n < cap;
}

const uint16_t kProcessPeMachine = 0x8664;  // IMAGE_FILE_MACHINE_AMD64: the launcher is a 64-bit program
