#include "launch/exit_hook.h"

#include <atomic>

#include "diag/log.h"

namespace {
std::atomic<ProgramExitObserver> observer{nullptr};
}

void setProgramExitObserver(ProgramExitObserver callback)
{
    observer = callback;
}

void JNICALL programExitHook(jint code)
{
    logInfo("Java program exits with code %d", static_cast<int>(code));
    if (ProgramExitObserver callback = observer.load())
        callback(static_cast<int>(code));
}
