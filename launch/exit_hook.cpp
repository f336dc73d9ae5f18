#include "launch/exit_hook.h"

#include <atomic>

#include "diag/log.h"

namespace {
// The hook is a plain function the JVM calls: what it tells goes here.
std::atomic<ProgramExitObserver> observer{nullptr};
std::atomic<void*> observerContext{nullptr};
} // namespace

void setProgramExitObserver(ProgramExitObserver callback, void* context)
{
    // The context first: whoever sees the new observer sees its context.
    observerContext = context;
    observer = callback;
}

void JNICALL programExitHook(jint code)
{
    logInfo("Java program exits with code %d", static_cast<int>(code));
    if (ProgramExitObserver callback = observer.load())
        callback(observerContext.load(), static_cast<int>(code));
}
