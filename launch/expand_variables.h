// Placeholders in configured texts: the launcher and extraction directories, the
// path-list separator, the chosen runtime's home and environment variables.
#pragma once

#include "fs/text_buffer.h"

// Home of the runtime whose jvm.dll was (tried to be) loaded; empty before that.
extern char runtimeHome[kTextBufferSize];

// "C:\jre\bin\java.exe" gives "C:\jre\bin\..".
void setRuntimeHome(const char* javaExecutable);

// Replaces every occurrence of pattern in text (an 8192-byte buffer) by value,
// searching on after each inserted value. A replacement that would not fit is
// skipped with a log line.
void replaceAll(char* text, const char* pattern, const char* value);

// All placeholders, in their fixed order, then "${NAME}" for each environment variable.
void expandVariables(char* text);
