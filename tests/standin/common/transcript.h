// The transcript: what the stand-ins were asked to do, one UTF-8 item per line,
// appended to the file named by KVELL_STANDIN_TRANSCRIPT (standard output when
// unset). Each line starts with the component: "jvm", "java" or "unpack200".
#pragma once
#include <string>

namespace standin {

void setComponent(const char* name);
// Appends "<component> <item>\n"; line breaks inside item are made visible.
void record(const std::string& item);

}  // namespace standin
