// The progress bar of the progress dialog (control 1001), driven from the work thread.
#pragma once

void setProgressBarPosition(void* dialog, int position);
void setProgressBarRange(void* dialog, int total);
