// Wide (UTF-16) text as the launcher handles it. On Windows this is wchar_t so
// that Win32 calls take it directly; elsewhere char16_t keeps the same 16-bit units.
#pragma once
#include <string>
#include <vector>

#ifdef _WIN32
using WideChar = wchar_t;
#define KW(s) L##s
#else
using WideChar = char16_t;
#define KW(s) u##s
#endif

using WideString = std::basic_string<WideChar>;

// Ordered list of owned wide strings (command-line arguments, configured word lists).
using ArgList = std::vector<WideString>;

// Latin-1: each byte is the UTF-16 unit of the same value, and back each unit
// keeps its low byte (units from 256 up do not survive).
WideString wideFromLatin1(const std::string& text);
std::string latin1FromWide(const WideString& text);

// UTF-8 <-> UTF-16 for the tools and tests; the launcher itself converts with code pages.
WideString wideFromUtf8(const std::string& text);
std::string utf8FromWide(const WideString& text);
