// kvellrun: runs a packed launcher's configuration on the build host, through the
// same Payload reader, extraction, option assembly and JNI launch as on Windows,
// with the JDK of the host (JAVA_HOME) in place of the runtime search.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "diag/errors.h"
#include "diag/log.h"
#include "fs/platform.h"
#include "jvm/jvm_library.h"
#include "launch/java_vm_launcher.h"
#include "launcher/init_launcher.h"
#include "launcher/switches.h"
#include "launcher/work_preparation.h"
#include "payload/config_ids.h"
#include "payload/expand_variables.h"
#include "payload/launch_state.h"

namespace {
bool consoleAlwaysReady()
{
    return true;
}

std::string hostJdkHome()
{
    const char* home = std::getenv("JAVA_HOME");
    return home != nullptr && *home != '\0' ? home : KVELL_DEFAULT_JDK_HOME;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(stderr, "usage: kvellrun PACKED.exe [program arguments...]\n"
                             "Runs the launcher packed in PACKED.exe with the host's JDK (JAVA_HOME).\n");
        return argc < 2 ? 2 : 0;
    }
    std::string packed = argv[1];
    if (packed.find('/') == std::string::npos)
        packed = "./" + packed;
    char full[4096];
    if (realpath(packed.c_str(), full) == nullptr) {
        std::fprintf(stderr, "kvellrun: error: cannot open %s\n", argv[1]);
        return 2;
    }
    setenv("KVELL_LAUNCHER_PATH", full, 1);
    setMessageBoxErrors(false);  // the host has no message boxes

    logInfo("Init");
    static LaunchState state;
    initLauncher(state, nullptr);
    setMessageBoxErrors(false);
    ArgList args;
    args.push_back(wideFromUtf8(full));
    for (int i = 2; i < argc; ++i)
        args.push_back(wideFromUtf8(argv[i]));
    applySwitches(state, args, consoleAlwaysReady);
    logInfo("Init done");
    logInfo("Starting work");
    prepareWorkingDirectory(state, nullptr);

    std::string home = hostJdkHome();
    std::string libjvm = home + "/lib/server/libjvm.so";
    logInfo("Trying to load JVM-DLL from %s", libjvm.c_str());
    setRuntimeHome(state, (home + "/bin/java.exe").c_str());
    if (!bindCreateJavaVM(state, loadLibraryFile(libjvm.c_str()))) {
        logError("Could not load %s", libjvm.c_str());
        std::fprintf(stderr, "kvellrun: error: no JVM at %s (set JAVA_HOME to a JDK)\n", libjvm.c_str());
        exitNow(1);
    }
    changeToExtractionDir(state);
    if (!launchProgram(state, args, true)) {
        logError("Could not start JVM");
        fatalErrorById(cfg::kMsgCannotStartJava);
    }
    return 0;
}

// The JVM handles SIGSEGV itself; a sanitizer build must leave that signal alone.
extern "C" const char* __asan_default_options()
{
    return "handle_segv=0:allow_user_segv_handler=1:detect_leaks=0";
}
