// The installation marker: set while an installation run has started and not
// been confirmed, so that the next start can offer the manual runtime choice.
// Entry 165 turns it off: an ordinary application neither sets nor reads it.
#pragma once

void writeInstallStarted(bool started);  // failures are silent
bool readInstallStarted();

// The stored value itself (install_marker_win.cpp, install_marker_posix.cpp).
void writeInstallMarkerValue(bool started);
bool readInstallMarkerValue();
