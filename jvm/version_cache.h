// The per-user cache of Java versions: one registry key per executable under
// HKEY_CURRENT_USER, valid while the executable's last-write time is unchanged.
#pragma once
#include "fs/platform.h"

// The version recorded for an executable whose "-version" run failed.
extern const char* const kFailedRunVersion;

// false unless the key exists, its 8-byte "LastWriteTime" equals stamp and its
// "Version" could be read.
bool readCachedVersion(const char* javaExe, const FileStamp& stamp, char* version);
// Failures are not reported: the cache only saves work.
void writeCachedVersion(const char* javaExe, const FileStamp& stamp, const char* version);

// The 8 bytes of a file time in their native little-endian order.
void fileStampBytes(const FileStamp& stamp, unsigned char bytes[8]);
