#include "instance/single_instance.h"

#include <cstdint>

#include "diag/errors.h"
#include "diag/log.h"
#include "fs/platform.h"
#include "fs/text_buffer.h"
#include "instance/instance_name.h"
#include "instance/instance_pids.h"
#include "instance/instance_platform.h"
#include "instance/process_windows.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

namespace {

// Held until the process ends: the semaphore's existence is what marks this
// instance; nobody waits on it.
SemaphoreHandle& heldSemaphore()
{
    static SemaphoreHandle semaphore;
    return semaphore;
}

// The recorded id may be stale: the first instance died (or runs in another
// session with a machine-wide name) and the number went to another program,
// which must not be brought to the front.
void raiseFirstInstance(uint32_t pid, const char* instancePath)
{
    if (pid == 0)
        return;
    char image[kTextBufferSize];
    if (!processImagePath(pid, image, sizeof image)) {
        logInfo("other pid %u cannot be inspected, nothing activated", pid);
        return;
    }
    if (!isInstanceImage(image, instancePath)) {
        logInfo("other pid %u runs %s, not this launcher, nothing activated", pid, image);
        return;
    }
    activateProcessWindows(pid, true);
}

} // namespace

void enforceSingleInstance(LaunchState& state)
{
    if (getInt(cfg::kMultipleInstances) != 0) {
        logInfo("multiple instances allowed");
        return;
    }
    char instancePath[kTextBufferSize];
    buildInstancePath(instancePath);
    if (instancePath[0] == '\0') {
        logError("launcher path unknown, single instance mode off");
        return;
    }
    buildInstanceSemaphoreName(instancePath, getInt(cfg::kGlobalSingleInstance) != 0, &state.instanceSemaphoreName);
    const char* name = state.instanceSemaphoreName.c_str();
    logInfo("single instance mode");
    unsigned code = 0;
    SemaphoreHandle semaphore = createInstanceSemaphore(name, &code);
    logInfo("semaphore name %s, code %d, value %p", name, static_cast<int>(code),
            reinterpret_cast<void*>(semaphore.get()));
    if (code == kErrorAlreadyExists) {
        semaphore.reset();
        uint32_t pid = readInstancePid(instancePath);
        logInfo("other pid %d", static_cast<int>(pid));
        raiseFirstInstance(pid, instancePath);
        logInfo("exiting");
        exitNow(0);
    }
    // Any other outcome, a failed creation included, makes this the first instance.
    writeInstancePid(instancePath, static_cast<uint32_t>(currentProcessId()));
    heldSemaphore() = std::move(semaphore);
}
