#include "jvm/vm_state.h"

#include "common/fail.h"
#include "common/text.h"
#include "common/transcript.h"

namespace standin {

VmState& vmState() {
  static VmState state;
  return state;
}

void enter(JNIEnv* env, const char* call, bool allowedWithPending) {
  VmState& s = vmState();
  if (!s.created || s.destroyed) fail(std::string(call) + " without a live JVM");
  if (env != theEnv()) fail(std::string(call) + " with a JNIEnv that is not the JVM's");
  if (GetCurrentThreadId() != s.thread) {
    fail(std::string(call) + " on thread " + std::to_string(GetCurrentThreadId()) +
         "; the JNIEnv belongs to thread " + std::to_string(s.thread));
  }
  if (s.pending != nullptr && !allowedWithPending) {
    fail(std::string(call) + " while an exception is pending (" + s.pending->className + ")");
  }
}

void raise(const std::string& className, const std::string& message) {
  Object* t = newObject(Kind::Throwable, className);
  std::wstring wide = fromUtf8(message);
  t->text.assign(wide.begin(), wide.end());
  vmState().pending = t;
  record("throw " + className + ": " + message);
}

}  // namespace standin
