// Conversions between the encodings the stand-ins meet: UTF-16 from Windows
// and JNI, ANSI option strings, UTF-8 in the transcript.
#pragma once
#include <string>

namespace standin {

std::string utf8(const std::wstring& wide);
std::string utf8(const std::u16string& units);
std::wstring fromAnsi(const std::string& ansi);
std::wstring fromUtf8(const std::string& text);
std::string ansi(const std::wstring& wide);

// One transcript item must stay on one line.
std::string oneLine(const std::string& text);

}  // namespace standin
