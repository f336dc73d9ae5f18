// The Windows GUI entry point.
#include <windows.h>
#include <commctrl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "diag/errors.h"
#include "diag/log.h"
#include "fs/platform.h"
#include "fs/text_buffer.h"
#include "installer/dialogs.h"
#include "installer/install_marker.h"
#include "installer/reboot.h"
#include "instance/single_instance.h"
#include "launcher/init_launcher.h"
#include "launcher/switches.h"
#include "launcher/work_sequence.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "payload/launch_state.h"
#include "payload/split_command_line.h"
#include "payload/stub_marker.h"

// Read by kvellpack only; "used" keeps it in the stripped program.
extern "C" __attribute__((section(KVELL_STUB_SECTION), used)) const char kvellStubMarker[] = KVELL_STUB_MARKER;

namespace {
constexpr char kRebootCommand[] = "__qmr_reboot";
constexpr char kLanguageRestartPrefix[] = "__qmr_lang_restart";

// A GUI program starts without standard streams unless its parent handed some
// over; after attaching a console, streams that lead nowhere go to it.
void connectStream(FILE* stream, DWORD which, const char* mode)
{
    HANDLE handle = GetStdHandle(which);
    bool usable = handle != nullptr && handle != INVALID_HANDLE_VALUE && _fileno(stream) >= 0 &&
                  _get_osfhandle(_fileno(stream)) != -1 && _get_osfhandle(_fileno(stream)) != -2;
    if (!usable)
        freopen("CONOUT$", mode, stream);
}
// Runs the work: on this thread when quiet or configured without the progress
// dialog, otherwise on the dialog's thread while this one serves the dialog.
void handOver(LaunchState& state)
{
    if (state.quiet) {
        logInfo("Quiet installer.");
        runWork(state, nullptr);
        return;
    }
    registerDialogClass(state);
    if (getInt(cfg::kNoProgressDialog) != 0) {
        runWork(state, nullptr);
        return;
    }
    ProgressDialogResult shown = showProgressDialog(state, runWork);
    if (shown.end == ProgressDialogEnd::Failed)
        runWork(state, nullptr);  // no dialog to show: the work goes on without one
    else if (shown.end == ProgressDialogEnd::Canceled && !shown.launchStarted)
        exitNow(1);  // nothing was started; the cancel cleared the marker
}
} // namespace

bool attachConsole()
{
    using AttachConsoleFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto attach = kernel != nullptr
                      ? reinterpret_cast<AttachConsoleFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "AttachConsole")))
                      : nullptr;
    bool ready = false;
    if (attach != nullptr) {
        ready = attach(ATTACH_PARENT_PROCESS) != 0 || GetLastError() == ERROR_ACCESS_DENIED;
    }
    if (!ready)
        ready = AllocConsole() != 0;
    if (ready) {
        connectStream(stdout, STD_OUTPUT_HANDLE, "w");
        connectStream(stderr, STD_ERROR_HANDLE, "w");
    }
    return ready;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    // Before anything can load a DLL by name: never from the launcher's folder
    // (a Downloads folder, say) or the current directory.
    restrictDllSearch();
    if (commandLine != nullptr && commandLine[0] != '\0' && std::strcmp(commandLine, kRebootCommand) == 0) {
        rebootMachine();
        return 0;
    }
    logInfo("Init");
    // The process's launch state: lives until the process ends, as the Java
    // program runs inside runWork.
    static LaunchState state;
    if (commandLine != nullptr &&
        std::strncmp(commandLine, kLanguageRestartPrefix, std::strlen(kLanguageRestartPrefix)) == 0) {
        state.languageRestart = true;
        state.quiet = true;
    }
    InitCommonControls();
    initLauncher(state, instance);

    ArgList args;
    splitCommandLine(commandLineWide().c_str(), args);
    if (applySwitches(state, args, attachConsole) == SwitchResult::NoConsole) {
        MessageBoxA(nullptr, "Error: Could not allocate console.", "quillmere", MB_OK);
        std::exit(1);
    }
    // A language restart is started by the running instance itself.
    if (!state.languageRestart)
        enforceSingleInstance(state);

    logInfo("Init done");

    if (!state.quiet && readInstallStarted()) {
        // An earlier installation started and did not finish: offer the manual choice.
        WideChar text[kTextBufferSize];
        WideChar caption[kTextBufferSize];
        getWideString(cfg::kWUnfinishedInstallQuestion, text);
        getWideString(cfg::kWAppTitle, caption);
        if (MessageBoxW(nullptr, text, caption, MB_YESNO | MB_ICONWARNING) == IDYES)
            state.manualJre = true;
    }

    handOver(state);
    args.clear();
    return 0;
}
