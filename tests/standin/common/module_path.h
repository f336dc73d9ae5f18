// Where a stand-in lives: its own file and the runtime's bin directory.
#pragma once
#include <windows.h>

#include <string>

namespace standin {

std::wstring modulePath(HMODULE module);  // null: the executable
std::wstring directoryOf(const std::wstring& path);

}  // namespace standin
