// One running instance per launcher path: a second start raises the first
// one's windows and ends with exit code 0.
#pragma once
#include "payload/launch_state.h"

// Called once at start, after the command line was read. Returns in a first
// instance (or when the Payload allows several), with the semaphore kept open
// and state.instanceSemaphoreName set; ends a second instance through exitNow.
void enforceSingleInstance(LaunchState& state);
