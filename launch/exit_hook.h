// The JVM's exit hook: the "exit" option, whose extraInfo the JVM calls with the
// code when the program ends the process through System.exit.
#pragma once
#include <jni.h>

using ProgramExitObserver = void (*)(void* context, int code);

// What the hook tells about the ending program (one observer; null: none),
// with the context given here.
void setProgramExitObserver(ProgramExitObserver observer, void* context);
void JNICALL programExitHook(jint code);
