#include "common/fail.h"
#include "jvm/env_calls.h"
#include "jvm/jni_slots.h"

namespace standin {
namespace {

// One stub per slot so that each can name itself; the launcher's arguments
// are never looked at, so one parameterless shape serves every slot.
#define STANDIN_STUB(name) \
  void JNICALL unexpected_##name() { fail("unexpected JNI call " #name); }
STANDIN_JNI_RESERVED(STANDIN_STUB)
STANDIN_JNI_SLOTS(STANDIN_STUB)
#undef STANDIN_STUB

#define STANDIN_COUNT(name) +1
constexpr int kSlots = 0 STANDIN_JNI_RESERVED(STANDIN_COUNT) STANDIN_JNI_SLOTS(STANDIN_COUNT);
#undef STANDIN_COUNT
static_assert(sizeof(JNINativeInterface_) == kSlots * sizeof(void*),
              "jni_slots.h does not list every slot of this jni.h");

}  // namespace

void installUnexpected(JNINativeInterface_& t) {
#define STANDIN_FILL(name) t.name = reinterpret_cast<decltype(t.name)>(&unexpected_##name);
  STANDIN_JNI_RESERVED(STANDIN_FILL)
  STANDIN_JNI_SLOTS(STANDIN_FILL)
#undef STANDIN_FILL
}

}  // namespace standin
