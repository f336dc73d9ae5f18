// The top-level windows of a process: raising them, counting them.
#pragma once
#include <cstdint>

// Every visible top-level window of process pid: restored when minimised (if
// asked), brought to the front, then its last active popup. Best effort; pid 0
// matches nothing.
void activateProcessWindows(uint32_t pid, bool restoreMinimised);

// The visible top-level windows of process pid, this process's console window
// not counted.
int countVisibleProcessWindows(uint32_t pid);
