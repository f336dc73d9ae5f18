// The progress bar of the progress dialog (control 1001), driven from the work thread.
#pragma once
#include <cstdint>

void setProgressBarPosition(void* dialog, int position);
void setProgressBarRange(void* dialog, int total);

// done * 100 / total, truncated, within 1..100: an unknown total (0 or less)
// keeps the bar at 1, more than the total counts as all.
int progressPosition(int64_t done, int64_t total);
