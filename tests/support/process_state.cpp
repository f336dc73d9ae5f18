#include "process_state.h"

#include "diag/errors.h"
#include "fs/path_caches.h"
#include "jvm/java_version.h"
#include "payload/config_store.h"
#include "log_reset.h"
#include "registry_memory.h"

void resetProcessStateForTests()
{
    resetLogState();
    pathCaches() = PathCaches();
    configStore() = ConfigStore();
    setMessageBoxErrors(true);
    resetRegistryForTests();
    setVersionRunTimeout(0);
}
