// The message of the question dialog shown when no Java runtime was found.
#pragma once
#include "fs/wide.h"

// The configured question with its "%S" replaced by "64", then the configured
// version limits in parentheses: " (<minLabel> <min>, <maxLabel> <max>)", each
// part only when its version is set. The configured text is never used as a
// printf format: every other character stays as written.
WideString buildQuestionText(const WideString& question, const char* minVersion, const char* maxVersion,
                             const WideString& minLabel, const WideString& maxLabel);
