// Establishing a runtime's version by running its Java executable with
// "-version", hidden, with standard error captured in a temporary file.
#pragma once
#include "fs/platform.h"

// How long a "-version" run may take before it is terminated.
constexpr unsigned kVersionRunTimeoutMs = 60000;

// Runs javaExe; true when a version was read. A run that ends with a non-zero
// exit code is recorded in the version cache as kFailedRunVersion, so that it
// is not started again while its file time is unchanged.
bool getJavaVersion(const char* javaExe, const FileStamp& stamp, char* version);

// Changes the bound of later runs (0 restores kVersionRunTimeoutMs).
void setVersionRunTimeout(unsigned milliseconds);
