#include "payload/split_command_line.h"

#include "diag/errors.h"
#include "diag/log.h"
#include "fs/command_line.h"
#include "payload/config_ids.h"

void splitCommandLine(const WideChar* line, ArgList& args)
{
    if (!trySplitCommandLine(line, args)) {
        logError("Unbalanced quotes");
        fatalErrorById(cfg::kMsgUnbalancedQuotes);
    }
}
