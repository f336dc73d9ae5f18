// Extracting the included files of the Payload into a fresh temporary directory.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "fs/platform.h"
#include "payload/launch_state.h"

enum CopyResult { kCopyOk = 0, kCopyReadFailed = 1, kCopyWriteFailed = 2 };

// Fills state.extractionDir and state.unextractedPosition. 0 success, 1 a read
// from the launcher's file failed, 2 a write failed. Other failures end the process.
int extractIncludedFiles(LaunchState& state);
// One record into target: a CopyResult, or -1 when the record itself is
// missing and -2 when target cannot be created (the caller ends the process).
int copyIncludedFile(const FileHandle& launcher, const char* target);
// Copies size bytes through one 8192-byte buffer, descrambling when asked.
int copyBytes(const FileHandle& source, const FileHandle& target, int64_t size, bool descramble);
// XOR with the scrambling byte, a machine word at a time.
void descrambleBuffer(unsigned char* data, size_t size);
// True when each name (8-bit, as entry 2003 holds them) is allowed
// (payload/included_name_rule.h) and none is an earlier one in another letter
// case; else logs why.
bool mayExtractNames(const std::vector<std::string>& names);
