// What a run leaves in the temporary directory: its temporary file
// "kvlXXXX.tmp" and, beside it, the extraction directory "kvlXXXX.tmp_dir".
// A run holds its temporary file open without delete sharing for as long as
// its process lives, so a later run can tell a live run (the file cannot be
// deleted) from one that is over. Only such pairs are ever removed.
#pragma once
#include "payload/launch_state.h"

// Opens tempFile and keeps it open in state for the life of the process.
void holdRunFile(LaunchState& state, const char* tempFile);

// Removes this run's extraction directory, then its temporary file. What is
// still in use stays (the temporary file too, unlocked) for a later sweep.
void removeRunFiles(LaunchState& state);

// Removes the extraction directories of earlier runs in the temporary
// directory whose temporary file no live process holds.
void sweepEarlierRuns();
