// wintool.exe resources EXE: the program's version information (numbers and
// strings, through GetFileVersionInfo) and its icon 1001 (LoadIcon, and
// LoadImage at 16, 32, 48 and 256 pixels: width and centre colour) as one JSON
// object; null for what cannot be read.
#pragma once

#include <windows.h>

int resourcesCommand(const wchar_t* path);
