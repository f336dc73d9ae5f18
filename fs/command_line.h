// Splitting a wide command line into arguments: blanks separate, single or double
// quotes group, no escape characters.
#pragma once
#include "fs/wide.h"

// Appends the arguments of line to args; false on an opening quote without a
// closing one (args then holds the arguments before it).
bool trySplitCommandLine(const WideChar* line, ArgList& args);
// The form that ends the process on an unbalanced quote is splitCommandLine
// (payload/split_command_line.h).
