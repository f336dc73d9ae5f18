// What the "Java program" does inside main, as the knobs ask: block, open a
// window on a thread of its own, or end the process like System.exit.
#pragma once

namespace standin {

void runProgramMain();
// DestroyJavaVM waits here for the program's threads, as a JVM waits for its
// non-daemon threads.
void waitForProgramThreads();

}  // namespace standin
