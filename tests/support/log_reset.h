// Starts the diagnostic log afresh: closed, forgotten, created anew by the next line.
#pragma once

void resetLogState();
