// The launcher's main line of work once the configuration is loaded.
#pragma once

extern bool jreIncluded;
extern int progressTotal;
extern int progressPosition;

// Runs with the progress dialog (dialog) or without one (nullptr). Returns 0 when
// the launch returned; every failure ends the process.
int runWork(void* dialog);
