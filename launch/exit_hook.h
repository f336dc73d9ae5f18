// The JVM's exit hook: the "exit" option, whose extraInfo the JVM calls with the
// code when the program ends the process through System.exit.
#pragma once
#include <jni.h>

using ProgramExitObserver = void (*)(int code);

// What the hook tells about the ending program (one observer; null: none).
void setProgramExitObserver(ProgramExitObserver observer);
void JNICALL programExitHook(jint code);
