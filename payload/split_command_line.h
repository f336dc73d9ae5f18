// The command line and configured word lists, split with the launcher's rules
// (fs/command_line.h); a quote without its closing twin ends the process.
#pragma once
#include "fs/wide.h"

// Appends the arguments of line to args; an unbalanced quote goes through the
// fatal path with message 1007.
void splitCommandLine(const WideChar* line, ArgList& args);
