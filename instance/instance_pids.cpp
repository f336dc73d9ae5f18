#include "instance/instance_pids.h"

#include "fs/registry.h"

const char* const kInstancePidsKey = "SOFTWARE\\brisco-labworks\\kvell\\pids";

namespace {
constexpr uint32_t kRegDword = 4;  // REG_DWORD
}

void writeInstancePid(const char* instancePath, uint32_t pid)
{
    RegKey key;
    if (!regCreate(RegRoot::CurrentUser, kInstancePidsKey, &key))
        return;
    regSetValue(key, instancePath, kRegDword, &pid, sizeof pid);
}

uint32_t readInstancePid(const char* instancePath)
{
    RegKey key;
    if (!regOpenRead(RegRoot::CurrentUser, kInstancePidsKey, &key))
        return 0;
    uint32_t pid = 0;
    uint32_t size = 0;
    uint32_t type = 0;
    if (!regQueryValue(key, instancePath, &pid, sizeof pid, &size, &type) || size != sizeof pid)
        return 0;
    return pid;
}
