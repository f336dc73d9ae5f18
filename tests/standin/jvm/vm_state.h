// The one VM per process and the checks every JNI call goes through.
#pragma once
#include <windows.h>
#include <jni.h>

#include <string>

#include "jvm/objects.h"

namespace standin {

struct VmState {
  bool created = false;
  bool destroyed = false;
  DWORD thread = 0;            // the thread that created the VM owns its JNIEnv
  Object* pending = nullptr;   // the pending exception
  long long newStringCalls = 0;
  // The "exit" option's hook: called with the code when the program ends the
  // process, as a JVM does for System.exit.
  void(JNICALL* exitHook)(jint) = nullptr;
};

VmState& vmState();
JavaVM* theVm();
JNIEnv* theEnv();

// Entry check of a JNIEnv function: the env is ours, used on the creating
// thread of a live VM, and no exception is pending unless the call is one of
// those allowed then.
void enter(JNIEnv* env, const char* call, bool allowedWithPending = false);

// Makes an exception pending, as a failing JVM operation would.
void raise(const std::string& className, const std::string& message);

}  // namespace standin
