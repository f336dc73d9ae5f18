#pragma once

// Waits five seconds and restarts Windows (the "__qmr_reboot" command line).
void rebootMachine();
