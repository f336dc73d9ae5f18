// The process-state reset of tests/support/process_state.h for a program that
// holds only the log (the full one needs every layer).
#include "log_reset.h"
#include "process_state.h"

void resetProcessStateForTests()
{
    resetLogState();
}
