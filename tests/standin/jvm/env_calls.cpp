#include "jvm/env_calls.h"

#include <cstdarg>

#include "common/fail.h"
#include "common/knobs.h"
#include "common/text.h"
#include "common/transcript.h"
#include "jvm/program.h"
#include "jvm/signature.h"
#include "jvm/vm_state.h"

namespace standin {
namespace {

std::string classOf(jclass cls, const char* call) {
  return objectOf(cls, Kind::Class, call, "class")->className;
}

std::string describe(const Object* o) {
  if (o == nullptr) return "(null)";
  switch (o->kind) {
    case Kind::String: return utf8(o->text);
    case Kind::Array: return "(" + o->className + "[" + std::to_string(o->elements.size()) + "])";
    case Kind::Class: return "(class " + o->className + ")";
    case Kind::Throwable: return "(" + o->className + ")";
  }
  return "?";
}

// Records the call's arguments: an array as "args <n>" and one "arg <k>: " line
// per element, anything else as "param <i>: ".
void recordParameters(const Signature& sig, va_list args, const char* call) {
  for (size_t i = 0; i < sig.parameters.size(); ++i) {
    std::string p = "param " + std::to_string(i) + ": ";
    switch (sig.parameters[i]) {
      case 'J': record(p + std::to_string(va_arg(args, jlong))); break;
      case 'F':
      case 'D': record(p + std::to_string(va_arg(args, double))); break;
      case 'L': {
        Object* o = objectOrNull(va_arg(args, jobject), call, "argument");
        if (o != nullptr && o->kind == Kind::Array) {
          record("args " + std::to_string(o->elements.size()));
          for (size_t k = 0; k < o->elements.size(); ++k) {
            record("arg " + std::to_string(k) + ": " + describe(o->elements[k]));
          }
        } else {
          record(p + describe(o));
        }
        break;
      }
      default: record(p + std::to_string(va_arg(args, int))); break;
    }
  }
}

// Common part of the static calls: checks, the call line, the arguments.
const Method& beginStaticCall(JNIEnv* env, jclass cls, jmethodID id, const char* call,
                              char result, va_list args) {
  enter(env, call);
  std::string owner = classOf(cls, call);
  const Method& m = methodOf(id, call);
  if (m.className != owner) {
    fail(std::string(call) + ": method ID of " + m.className + " used with class " + owner);
  }
  Signature sig = *parseSignature(m.signature);
  if (sig.result != result) {
    fail(std::string(call) + " on " + m.name + m.signature + ", which returns " + sig.result);
  }
  record(std::string(call) + " " + owner + "." + m.name + m.signature);
  recordParameters(sig, args, call);
  return m;
}

// The knob that makes the called method end with an exception.
bool throwsOnReturn(const Method& m) {
  if (!knobListHas("KVELL_STANDIN_THROW", m.name) &&
      !knobListHas("KVELL_STANDIN_THROW", m.className + "." + m.name)) {
    return false;
  }
  raise("java.lang.RuntimeException", "standin: exception thrown by " + m.name);
  return true;
}

jclass JNICALL FindClass(JNIEnv* env, const char* name) {
  enter(env, "FindClass");
  if (name == nullptr) fail("FindClass: name is null");
  std::string line = std::string("FindClass ") + name;
  // A JVM wants slashes here; a dotted name is not found.
  if (std::string(name).find('.') != std::string::npos ||
      knobListHas("KVELL_STANDIN_MISSING_CLASSES", name)) {
    record(line + " -> null");
    raise("java.lang.NoClassDefFoundError", name);
    return nullptr;
  }
  record(line);
  return static_cast<jclass>(handleOf(newObject(Kind::Class, name)));
}

jmethodID JNICALL GetStaticMethodID(JNIEnv* env, jclass cls, const char* name, const char* sig) {
  enter(env, "GetStaticMethodID");
  std::string owner = classOf(cls, "GetStaticMethodID");
  if (name == nullptr || sig == nullptr) fail("GetStaticMethodID: name or signature is null");
  std::string line = "GetStaticMethodID " + owner + " " + name + " " + sig;
  if (!parseSignature(sig)) fail("GetStaticMethodID: malformed signature " + std::string(sig));
  if (knobListHas("KVELL_STANDIN_MISSING_METHODS", name) ||
      knobListHas("KVELL_STANDIN_MISSING_METHODS", owner + "." + name)) {
    record(line + " -> null");
    raise("java.lang.NoSuchMethodError", name);
    return nullptr;
  }
  record(line);
  return newMethod(owner, name, sig);
}

// The plain and the V forms are one operation, recorded alike: jni.h's C++
// member functions (env->CallStaticVoidMethod(...)) call the V form.
void callStaticVoid(JNIEnv* env, jclass cls, jmethodID id, va_list args) {
  const Method& m = beginStaticCall(env, cls, id, "CallStaticVoidMethod", 'V', args);
  if (m.name == "main") runProgramMain();
  if (!throwsOnReturn(m)) record("return");
}

jboolean callStaticBoolean(JNIEnv* env, jclass cls, jmethodID id, va_list args) {
  const Method& m = beginStaticCall(env, cls, id, "CallStaticBooleanMethod", 'Z', args);
  if (throwsOnReturn(m)) return JNI_FALSE;
  auto answer = knob("KVELL_STANDIN_FIRSTRUN_RESULT");
  if (answer && *answer != L"true" && *answer != L"false") {
    fail("knob KVELL_STANDIN_FIRSTRUN_RESULT must be true or false, not " + utf8(*answer));
  }
  bool result = !answer || *answer == L"true";
  record(result ? "return true" : "return false");
  return result ? JNI_TRUE : JNI_FALSE;
}

void JNICALL CallStaticVoidMethodV(JNIEnv* env, jclass cls, jmethodID id, va_list args) {
  callStaticVoid(env, cls, id, args);
}

void JNICALL CallStaticVoidMethod(JNIEnv* env, jclass cls, jmethodID id, ...) {
  va_list args;
  va_start(args, id);
  callStaticVoid(env, cls, id, args);
  va_end(args);
}

jboolean JNICALL CallStaticBooleanMethodV(JNIEnv* env, jclass cls, jmethodID id, va_list args) {
  return callStaticBoolean(env, cls, id, args);
}

jboolean JNICALL CallStaticBooleanMethod(JNIEnv* env, jclass cls, jmethodID id, ...) {
  va_list args;
  va_start(args, id);
  jboolean result = callStaticBoolean(env, cls, id, args);
  va_end(args);
  return result;
}

jthrowable JNICALL ExceptionOccurred(JNIEnv* env) {
  enter(env, "ExceptionOccurred", true);
  Object* p = vmState().pending;
  record(std::string("ExceptionOccurred -> ") + (p ? p->className : "null"));
  return static_cast<jthrowable>(handleOf(p));
}

void JNICALL ExceptionDescribe(JNIEnv* env) {
  enter(env, "ExceptionDescribe", true);
  Object* p = vmState().pending;
  if (p == nullptr) {
    record("ExceptionDescribe (none)");
    return;
  }
  std::string text = p->className + ": " + utf8(p->text);
  record("ExceptionDescribe " + text);
  writeStderr("Exception in thread \"main\" " + text + "\r\n\tat standin.Jvm(standin)\r\n");
  vmState().pending = nullptr;
}

void JNICALL ExceptionClear(JNIEnv* env) {
  enter(env, "ExceptionClear", true);
  record("ExceptionClear");
  vmState().pending = nullptr;
}

jobjectArray JNICALL NewObjectArray(JNIEnv* env, jsize length, jclass cls, jobject init) {
  enter(env, "NewObjectArray");
  std::string element = classOf(cls, "NewObjectArray");
  if (length < 0) fail("NewObjectArray: negative length " + std::to_string(length));
  Object* initial = objectOrNull(init, "NewObjectArray", "initial element");
  std::string line = "NewObjectArray " + std::to_string(length) + " " + element;
  if (knobFlag("KVELL_STANDIN_NULL_ARRAY")) {
    record(line + " -> null");
    raise("java.lang.OutOfMemoryError", "Java heap space");
    return nullptr;
  }
  record(line);
  Object* array = newObject(Kind::Array, element);
  array->elements.assign(static_cast<size_t>(length), initial);
  return static_cast<jobjectArray>(handleOf(array));
}

jstring JNICALL NewString(JNIEnv* env, const jchar* units, jsize length) {
  enter(env, "NewString");
  if (length < 0) fail("NewString: negative length " + std::to_string(length));
  if (units == nullptr && length > 0) fail("NewString: null characters");
  long long index = vmState().newStringCalls++;
  if (knobInt("KVELL_STANDIN_NULL_STRING", -1) == index) {
    record("NewString #" + std::to_string(index) + " -> null");
    raise("java.lang.OutOfMemoryError", "Java heap space");
    return nullptr;
  }
  Object* s = newObject(Kind::String, "java/lang/String");
  if (length > 0) s->text.assign(reinterpret_cast<const char16_t*>(units), static_cast<size_t>(length));
  return static_cast<jstring>(handleOf(s));
}

void JNICALL SetObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index, jobject value) {
  enter(env, "SetObjectArrayElement");
  Object* a = objectOf(array, Kind::Array, "SetObjectArrayElement", "array");
  if (index < 0 || static_cast<size_t>(index) >= a->elements.size()) {
    fail("SetObjectArrayElement: index " + std::to_string(index) + " outside an array of " +
         std::to_string(a->elements.size()));
  }
  Object* v = objectOrNull(value, "SetObjectArrayElement", "value");
  if (v != nullptr && a->className == "java/lang/String" && v->kind != Kind::String) {
    fail("SetObjectArrayElement: storing " + describe(v) + " in a String array");
  }
  a->elements[static_cast<size_t>(index)] = v;
}

jsize JNICALL GetArrayLength(JNIEnv* env, jarray array) {
  enter(env, "GetArrayLength");
  return static_cast<jsize>(objectOf(array, Kind::Array, "GetArrayLength", "array")->elements.size());
}

}  // namespace

void installImplemented(JNINativeInterface_& t) {
  t.FindClass = FindClass;
  t.GetStaticMethodID = GetStaticMethodID;
  t.CallStaticVoidMethod = CallStaticVoidMethod;
  t.CallStaticVoidMethodV = CallStaticVoidMethodV;
  t.CallStaticBooleanMethod = CallStaticBooleanMethod;
  t.CallStaticBooleanMethodV = CallStaticBooleanMethodV;
  t.ExceptionOccurred = ExceptionOccurred;
  t.ExceptionDescribe = ExceptionDescribe;
  t.ExceptionClear = ExceptionClear;
  t.NewObjectArray = NewObjectArray;
  t.NewString = NewString;
  t.SetObjectArrayElement = SetObjectArrayElement;
  t.GetArrayLength = GetArrayLength;
}

}  // namespace standin
