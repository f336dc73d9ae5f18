#include "log_reset.h"

#include "diag/log_state.h"

void resetLogState()
{
    std::lock_guard<std::mutex> guard(logLock());
    LogState& log = logState();
    if (log.file != nullptr)
        std::fclose(log.file);
    log = LogState();
}
