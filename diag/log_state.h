// The diagnostic log's state, one per process: log.cpp keeps it, the test bed
// starts it afresh between tests. Guarded by logLock().
#pragma once
#include <cstdio>
#include <mutex>

#include "fs/text_buffer.h"

struct LogState {
    char path[kTextBufferSize] = {0};
    bool hasPath = false;
    FILE* file = nullptr;
    bool initialised = false;
    bool kept = false;
    bool keepRequest = false;  // KVELL_LOG or QUILLMERE_LOG said "yes"
    bool ownsFile = false;     // only a file this process created may be deleted
    bool retryCreate = false;  // creation failed: later calls may still create the fixed path
    bool cleanedUp = false;
};

LogState& logState();
std::mutex& logLock();
