#include "process_state.h"
#include "process_state.h"

#include "diag/errors.h"
#include "diag/log_state.h"
#include "fs/path_caches.h"
#include "jvm/java_version.h"
#include "payload/config_store.h"
#include "registry_memory.h"

void resetProcessStateForTests()
{
    {
        std::lock_guard<std::mutex> guard(logLock());
        LogState& log = logState();
        if (log.file != nullptr)
            std::fclose(log.file);
        log = LogState();
    }
    pathCaches() = PathCaches();
    configStore() = ConfigStore();
    setMessageBoxErrors(true);
    resetRegistryForTests();
    setVersionRunTimeout(0);
}
