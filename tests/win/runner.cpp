// runner.exe: starts one program for the scenario tests with an exact command
// line, environment and working directory, hands it our standard handles, answers
// its message boxes and records them, and ends it when it takes too long.
//
//   runner.exe [options] EXE [ARGS...]
//   runner.exe --args-file FILE      (all arguments from FILE: UTF-8, each one
//                                     terminated by a NUL byte)
//
// Options:
//   --set NAME=VALUE    set a variable in the child's environment
//   --unset NAME        remove a variable (names compare without case)
//   --clear-env         start from an empty environment instead of ours
//   --cmdline TEXT      the child's whole command line, program part included,
//                       exactly as GetCommandLineW will return it; without it the
//                       line is "EXE" followed by ARGS joined by single blanks
//   --cwd DIR           the child's working directory
//   --status FILE       write {"pid": N, "exit_code": N, "timed_out": BOOL} when
//                       the child has ended (tells the runner's own failures
//                       from the child's)
//   --boxes FILE        append one JSON line per message box of the child or of
//                       a program it started
//   --answer LIST       buttons to press: ok, yes, no, cancel, or a comma-separated
//                       list (the n-th box gets the n-th answer, the last one
//                       repeats); default ok
//   --timeout SECONDS   kill the child (and everything it started) after this
//                       long; default 60
//   --leave ID          a #32770 window with a control of this id (decimal or
//                       0x hex; repeatable) is no message box: neither recorded
//                       nor answered, the test drives it
//   --new-console       the child gets a console of its own and not our
//                       standard handles, as a console program started from
//                       Explorer does
//   --pid-file FILE     write the child's process id (decimal) as soon as it
//                       exists, for tests that drive its windows meanwhile
//   --reg-dword KEY NAME VALUE   before the start: set a REG_DWORD value
//   --reg-delete KEY NAME        before the start: remove a value (if present)
//                       (KEY begins with HKCU or HKLM and a backslash)
//
// Exit code: the child's; 124 when it was killed on time-out; 125 when the
// runner itself failed (usage, file or start errors).
#include <windows.h>

#include "json_text.h"
#include "window_query.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cstdio>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kExitTimeout = 124;
constexpr int kExitRunnerFailure = 125;
constexpr DWORD kPollMillis = 25;
constexpr DWORD kReclickMillis = 1000;

[[noreturn]] void fail(const wchar_t* what, const std::wstring& detail = L"")
{
    std::fwprintf(stderr, L"runner: %ls%ls%ls (error %lu)\n", what, detail.empty() ? L"" : L": ",
                  detail.c_str(), GetLastError());
    std::fflush(stderr);
    ExitProcess(kExitRunnerFailure);
}

std::wstring fromUtf8(const std::string& text)
{
    if (text.empty())
        return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::vector<std::wstring> readArgsFile(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        fail(L"cannot open the arguments file", path);
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    std::vector<std::wstring> args;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\0') {
            args.push_back(fromUtf8(bytes.substr(start, i - start)));
            start = i + 1;
        }
    }
    if (start != bytes.size())
        fail(L"the arguments file does not end with a NUL byte", path);
    return args;
}

// ---- environment -------------------------------------------------------------

std::wstring variableName(const std::wstring& entry)
{
    // Entries like "=C:=C:\dir" keep their leading "=" in the name.
    size_t eq = entry.find(L'=', 1);
    return entry.substr(0, eq);
}

bool sameName(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

struct Environment {
    std::vector<std::wstring> entries;

    void loadOwn()
    {
        entries.clear();
        wchar_t* block = GetEnvironmentStringsW();
        for (const wchar_t* p = block; p != nullptr && *p != 0; p += std::wcslen(p) + 1)
            entries.emplace_back(p);
        FreeEnvironmentStringsW(block);
    }
    void unset(const std::wstring& name)
    {
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&](const std::wstring& e) { return sameName(variableName(e), name); }),
                      entries.end());
    }
    void set(const std::wstring& assignment)
    {
        size_t eq = assignment.find(L'=', 1);
        if (eq == std::wstring::npos)
            fail(L"--set needs NAME=VALUE", assignment);
        unset(assignment.substr(0, eq));
        entries.push_back(assignment);
    }
    // Sorted without case, as Windows keeps it; double-NUL terminated.
    std::wstring block() const
    {
        std::vector<std::wstring> sorted = entries;
        std::sort(sorted.begin(), sorted.end(), [](const std::wstring& a, const std::wstring& b) {
            return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_LESS_THAN;
        });
        std::wstring out;
        for (const auto& e : sorted) {
            out += e;
            out.push_back(L'\0');
        }
        if (sorted.empty())
            out.push_back(L'\0');
        out.push_back(L'\0');
        return out;
    }
};

// ---- message boxes -------------------------------------------------------------

struct Answer {
    const wchar_t* name;
    int id;
};
constexpr Answer kAnswers[] = {{L"ok", IDOK}, {L"yes", IDYES}, {L"no", IDNO}, {L"cancel", IDCANCEL}};

int answerId(const std::wstring& name)
{
    for (const Answer& a : kAnswers) {
        if (name == a.name)
            return a.id;
    }
    fail(L"unknown answer", name);
}

std::vector<std::wstring> splitList(const std::wstring& text)
{
    std::vector<std::wstring> items;
    size_t start = 0;
    while (true) {
        size_t comma = text.find(L',', start);
        items.push_back(text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start));
        if (comma == std::wstring::npos)
            return items;
        start = comma + 1;
    }
}

struct BoxContent {
    std::wstring caption;
    std::wstring text;
    std::vector<std::pair<int, std::wstring>> buttons;
};

BOOL CALLBACK collectControl(HWND control, LPARAM param)
{
    auto* box = reinterpret_cast<BoxContent*>(param);
    std::wstring cls = className(control);
    if (_wcsicmp(cls.c_str(), L"Static") == 0) {
        LONG style = GetWindowLongW(control, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_ICON)
            return TRUE;
        std::wstring text = windowText(control);
        if (text.size() > box->text.size())
            box->text = text;
    } else if (_wcsicmp(cls.c_str(), L"Button") == 0) {
        box->buttons.emplace_back(GetDlgCtrlID(control), windowText(control));
    }
    return TRUE;
}

void recordBox(const std::wstring& path, const BoxContent& box, const std::wstring& answer, ULONGLONG seenAfter)
{
    std::string line = "{\"caption\": ";
    appendJsonString(line, box.caption);
    line += ", \"text\": ";
    appendJsonString(line, box.text);
    line += ", \"buttons\": [";
    for (size_t i = 0; i < box.buttons.size(); ++i) {
        if (i > 0)
            line += ", ";
        line += "{\"id\": " + std::to_string(box.buttons[i].first) + ", \"text\": ";
        appendJsonString(line, box.buttons[i].second);
        line += "}";
    }
    line += "], \"answer\": ";
    appendJsonString(line, answer);
    line += ", \"seen_after_ms\": " + std::to_string(seenAfter) + "}\n";
    if (path.empty())
        return;
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        fail(L"cannot open the boxes file", path);
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

struct BoxWatcher {
    DWORD processId = 0;
    HANDLE job = nullptr;
    std::vector<DWORD> watched;  // the child and whatever it started
    ULONGLONG startTick = 0;
    std::wstring boxesFile;
    std::vector<int> answers{IDOK};
    std::vector<std::wstring> answerNames{L"ok"};
    size_t boxesSeen = 0;
    std::vector<int> leave;  // dialogs with one of these control ids belong to the test
    struct Handled {
        HWND window;
        int button;
        DWORD lastClick;
    };
    std::vector<Handled> handled;

    static BOOL CALLBACK visit(HWND window, LPARAM param)
    {
        auto* self = reinterpret_cast<BoxWatcher*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        bool ours = std::find(self->watched.begin(), self->watched.end(), owner) != self->watched.end();
        if (ours && IsWindowVisible(window) && className(window) == L"#32770" && !self->leftAlone(window))
            self->found(window);
        return TRUE;
    }

    bool leftAlone(HWND dialog) const
    {
        return std::any_of(leave.begin(), leave.end(), [&](int id) { return findControl(dialog, id) != nullptr; });
    }

    void press(HWND box, int button)
    {
        HWND control = button != 0 ? GetDlgItem(box, button) : nullptr;
        if (control != nullptr)
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(control));
        else
            PostMessageW(box, WM_CLOSE, 0, 0);
    }

    void found(HWND box)
    {
        for (Handled& h : handled) {
            if (h.window == box) {
                // Still there: the click may have been lost, press again.
                if (GetTickCount() - h.lastClick >= kReclickMillis) {
                    press(box, h.button);
                    h.lastClick = GetTickCount();
                }
                return;
            }
        }
        BoxContent content;
        content.caption = windowText(box);
        EnumChildWindows(box, collectControl, reinterpret_cast<LPARAM>(&content));
        size_t index = std::min(boxesSeen, answers.size() - 1);
        ++boxesSeen;
        int button = answers[index];
        std::wstring answer = answerNames[index];
        if (GetDlgItem(box, button) == nullptr) {
            answer = L"close";  // the wanted button is missing: close the box instead
            button = 0;
        }
        recordBox(boxesFile, content, answer, GetTickCount64() - startTick);
        press(box, button);
        handled.push_back({box, button, GetTickCount()});
    }

    // The processes of the job, or just the child when that cannot be asked.
    void refreshWatched()
    {
        watched.assign(1, processId);
        if (job == nullptr)
            return;
        // The list's ids follow its header; read them from a plain byte buffer.
        std::vector<unsigned char> buffer(sizeof(JOBOBJECT_BASIC_PROCESS_ID_LIST) + 256 * sizeof(ULONG_PTR));
        if (!QueryInformationJobObject(job, JobObjectBasicProcessIdList, buffer.data(),
                                       static_cast<DWORD>(buffer.size()), nullptr))
            return;
        JOBOBJECT_BASIC_PROCESS_ID_LIST header;
        std::memcpy(&header, buffer.data(), sizeof header);
        const size_t first = offsetof(JOBOBJECT_BASIC_PROCESS_ID_LIST, ProcessIdList);
        for (DWORD k = 0; k < header.NumberOfProcessIdsInList && k < 256; ++k) {
            ULONG_PTR id = 0;
            std::memcpy(&id, buffer.data() + first + k * sizeof(ULONG_PTR), sizeof id);
            if (static_cast<DWORD>(id) != processId)
                watched.push_back(static_cast<DWORD>(id));
        }
    }

    void poll()
    {
        refreshWatched();
        handled.erase(std::remove_if(handled.begin(), handled.end(), [](const Handled& h) { return !IsWindow(h.window); }),
                      handled.end());
        EnumWindows(visit, reinterpret_cast<LPARAM>(this));
    }
};

// ---- registry preparation ---------------------------------------------------

HKEY splitKey(const std::wstring& path, std::wstring* subKey)
{
    size_t slash = path.find(L'\\');
    std::wstring root = path.substr(0, slash);
    *subKey = slash == std::wstring::npos ? std::wstring() : path.substr(slash + 1);
    if (root == L"HKCU" || root == L"HKEY_CURRENT_USER")
        return HKEY_CURRENT_USER;
    if (root == L"HKLM" || root == L"HKEY_LOCAL_MACHINE")
        return HKEY_LOCAL_MACHINE;
    fail(L"unknown registry root", path);
}

void setDword(const std::wstring& path, const std::wstring& name, DWORD value)
{
    std::wstring subKey;
    HKEY root = splitKey(path, &subKey);
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        fail(L"cannot create the registry key", path);
    LONG result = RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        fail(L"cannot set the registry value", name);
}

void deleteValue(const std::wstring& path, const std::wstring& name)
{
    std::wstring subKey;
    HKEY root = splitKey(path, &subKey);
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;  // no key, no value
    LONG result = RegDeleteValueW(key, name.c_str());
    RegCloseKey(key);
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
        fail(L"cannot delete the registry value", name);
}

// Written beside and renamed into place: the test polls for these files and
// must never read half of one.
void writeFileAtomically(const std::wstring& path, const std::string& content)
{
    std::wstring scratch = path + L".new";
    HANDLE file = CreateFileW(scratch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        fail(L"cannot write", scratch);
    DWORD written = 0;
    BOOL ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || !MoveFileExW(scratch.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
        fail(L"cannot write", path);
}

HANDLE inheritable(DWORD which)
{
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return handle;
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
        return handle;
    return copy;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::wstring> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == L"--args-file")
        args = readArgsFile(args[1]);

    Environment environment;
    environment.loadOwn();
    std::wstring commandLine;
    bool haveCommandLine = false;
    bool newConsole = false;
    std::wstring workingDirectory;
    BoxWatcher watcher;
    std::wstring statusFile;
    std::wstring pidFile;
    double timeoutSeconds = 60;

    size_t i = 0;
    auto value = [&](const std::wstring& option) -> std::wstring {
        if (i + 1 >= args.size())
            fail(L"missing value for", option);
        return args[++i];
    };
    for (; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        if (a == L"--set") {
            environment.set(value(a));
        } else if (a == L"--unset") {
            environment.unset(value(a));
        } else if (a == L"--clear-env") {
            environment.entries.clear();
        } else if (a == L"--cmdline") {
            commandLine = value(a);
            haveCommandLine = true;
        } else if (a == L"--cwd") {
            workingDirectory = value(a);
        } else if (a == L"--boxes") {
            watcher.boxesFile = value(a);
        } else if (a == L"--status") {
            statusFile = value(a);
        } else if (a == L"--answer") {
            watcher.answerNames = splitList(value(a));
            watcher.answers.clear();
            for (const auto& name : watcher.answerNames)
                watcher.answers.push_back(answerId(name));
        } else if (a == L"--leave") {
            watcher.leave.push_back(static_cast<int>(std::wcstol(value(a).c_str(), nullptr, 0)));
        } else if (a == L"--new-console") {
            newConsole = true;
        } else if (a == L"--pid-file") {
            pidFile = value(a);
        } else if (a == L"--timeout") {
            timeoutSeconds = _wtof(value(a).c_str());
        } else if (a == L"--reg-dword") {
            std::wstring key = value(a);
            std::wstring name = value(a);
            setDword(key, name, static_cast<DWORD>(_wtoi64(value(a).c_str())));
        } else if (a == L"--reg-delete") {
            std::wstring key = value(a);
            deleteValue(key, value(a));
        } else if (a == L"--") {
            ++i;
            break;
        } else if (a.size() > 2 && a.compare(0, 2, L"--") == 0) {
            fail(L"unknown option", a);
        } else {
            break;
        }
    }
    if (i >= args.size())
        fail(L"usage: runner.exe [options] EXE [ARGS...]");
    std::wstring program = args[i];
    if (!haveCommandLine) {
        commandLine = L"\"" + program + L"\"";
        for (size_t k = i + 1; k < args.size(); ++k)
            commandLine += L" " + args[k];
    }

    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (!newConsole) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = inheritable(STD_INPUT_HANDLE);
        startup.hStdOutput = inheritable(STD_OUTPUT_HANDLE);
        startup.hStdError = inheritable(STD_ERROR_HANDLE);
    }

    // Everything the child starts belongs to one job, so a time-out ends it all.
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job != nullptr) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
        ZeroMemory(&limits, sizeof limits);
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }

    std::wstring environmentBlock = environment.block();
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    if (!CreateProcessW(program.c_str(), mutableLine.data(), nullptr, nullptr, TRUE,
                        CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED | (newConsole ? CREATE_NEW_CONSOLE : 0),
                        environmentBlock.data(),
                        workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup, &process))
        fail(L"cannot start", program);
    if (job != nullptr)
        AssignProcessToJobObject(job, process.hProcess);
    if (!pidFile.empty())
        writeFileAtomically(pidFile, std::to_string(process.dwProcessId) + "\n");
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);

    watcher.processId = process.dwProcessId;
    watcher.job = job;
    watcher.startTick = GetTickCount64();
    ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutSeconds * 1000.0);
    int exitCode = 0;
    bool timedOut = false;
    while (true) {
        if (WaitForSingleObject(process.hProcess, kPollMillis) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(process.hProcess, &code);
            exitCode = static_cast<int>(code);
            break;
        }
        watcher.poll();
        if (GetTickCount64() >= deadline) {
            std::fwprintf(stderr, L"runner: time-out after %g s, killing %ls\n", timeoutSeconds, program.c_str());
            std::fflush(stderr);
            if (job != nullptr)
                TerminateJobObject(job, kExitTimeout);
            TerminateProcess(process.hProcess, kExitTimeout);
            WaitForSingleObject(process.hProcess, 5000);
            exitCode = kExitTimeout;
            timedOut = true;
            break;
        }
    }
    CloseHandle(process.hProcess);
    if (job != nullptr)
        CloseHandle(job);  // ends whatever the child left running
    if (!statusFile.empty()) {
        std::string status = "{\"pid\": " + std::to_string(process.dwProcessId) +
                             ", \"exit_code\": " + std::to_string(static_cast<unsigned>(exitCode)) +
                             ", \"timed_out\": " + (timedOut ? "true" : "false") + "}\n";
        writeFileAtomically(statusFile, status);
    }
    return exitCode;
}
