// The names an instance goes by: its path and its semaphore's name.
#pragma once
#include <cstddef>

#include "fs/bounded_text.h"

// The launcher's own path, full, lower-cased (A to Z) and with runs of
// backslashes collapsed, so that every way of starting the same file agrees.
void buildInstancePath(char* out);  // out: kTextBufferSize bytes

// "Global\" (machineWide) followed by instancePath with every backslash an
// underscore: a kernel object name may not hold backslashes after its prefix.
void buildInstanceSemaphoreName(const char* instancePath, bool machineWide, BoundedText* out);

// True when imagePath (another process's executable) names the instance path,
// compared the way the instance path was made.
bool isInstanceImage(const char* imagePath, const char* instancePath);
