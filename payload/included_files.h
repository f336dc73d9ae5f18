// Extracting the included files of the Payload into a fresh temporary directory.
#pragma once
#include <cstdint>

#include "fs/platform.h"
#include "fs/text_buffer.h"

// The directory the included files went to ("" when there were none); the Java
// program's working directory.
extern char extractionDir[kTextBufferSize];
// Position in the launcher's file right after the last extracted file (0: none).
extern int64_t unextractedPosition;

enum CopyResult { kCopyOk = 0, kCopyReadFailed = 1, kCopyWriteFailed = 2 };

// 0 success, 1 a read from the launcher's file failed, 2 a write failed. Other
// failures end the process.
int extractIncludedFiles(char* dir);
int copyIncludedFile(FileHandle launcher, const char* target);
// Copies size bytes through one 8192-byte buffer, descrambling when asked.
int copyBytes(FileHandle source, FileHandle target, int64_t size, bool descramble);
// XOR with the scrambling byte, a machine word at a time.
void descrambleBuffer(unsigned char* data, size_t size);
// A plain file name: no "\", "/" or ":", not "." or "..", not empty.
bool isPlainFileName(const char* name);
