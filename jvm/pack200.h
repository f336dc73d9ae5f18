// Restoring a runtime whose largest jars were packed with Pack200 ("x.jar.pack"),
// with the runtime's own bin\unpack200.exe run hidden, one jar at a time.
#pragma once

// Restores the packed jars of the runtime in directory (absolute, or relative to
// the current directory). Acts only when lib\rt.jar.pack exists and lib\jsse.jar,
// which is restored last, does not. Ends the process (message 1009 with "20")
// when the tool cannot be started.
void unpackJre(const char* directory);
// Restores directory\jar from directory\jar.pack; a missing pack file is fine.
void unpackJar(const char* directory, const char* jar);

// Called with true before the first jar and false after the last, so that the
// installer's dialog can animate its progress bar meanwhile (its thread, not ours).
using UnpackActivityHook = void (*)(bool running);
void setUnpackActivityHook(UnpackActivityHook hook);
