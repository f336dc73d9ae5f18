// The host has no named kernel objects: every start is a first instance, and
// no other process is ever asked about.
#include "instance/instance_platform.h"
#include "instance/process_windows.h"

void SemaphoreTraits::close(Raw)
{
}

SemaphoreHandle createInstanceSemaphore(const char*, unsigned* error)
{
    *error = 0;
    return SemaphoreHandle();
}

bool processImagePath(uint32_t, char* out, size_t cap)
{
    if (cap > 0)
        out[0] = '\0';
    return false;
}

void activateProcessWindows(uint32_t, bool)
{
}

int countVisibleProcessWindows(uint32_t)
{
    return 0;
}
