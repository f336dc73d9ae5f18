// The JNIEnv functions the launcher may use, and the stubs for all the others.
#pragma once
#include <jni.h>

namespace standin {

// Every slot: a stub that reports its own name and ends the process.
void installUnexpected(JNINativeInterface_& table);
// Then the implemented ones on top.
void installImplemented(JNINativeInterface_& table);

}  // namespace standin
