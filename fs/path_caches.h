// The launcher's own path and directory, found once per process (paths.cpp);
// the test bed starts them afresh when a test names another launcher.
#pragma once
#include "fs/text_buffer.h"

struct PathCaches {
    char launcherPath[kTextBufferSize] = {0};
    bool launcherPathFilled = false;
    char launcherDir[kTextBufferSize] = {0};
    bool launcherDirFilled = false;
};

PathCaches& pathCaches();
