#pragma once
#include "fs/text_buffer.h"

// Name of the single-instance semaphore; empty until single-instance mode made it.
extern char instanceSemaphoreName[kTextBufferSize];
