// The installation marker: set while an installation run has started and not
// been confirmed, so that the next start can offer the manual runtime choice.
#pragma once

void writeInstallStarted(bool started);  // failures are silent
bool readInstallStarted();
