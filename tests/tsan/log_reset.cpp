// The process-state reset of tests/support/process_state.h for a program that
// holds only the log (the full one needs every layer).
#include "process_state.h"

#include "diag/log_state.h"

void resetProcessStateForTests()
{
    std::lock_guard<std::mutex> guard(logLock());
    LogState& log = logState();
    if (log.file != nullptr)
        std::fclose(log.file);
    log = LogState();
}
