// The stand-in's Java objects: just enough of classes, strings, arrays,
// throwables and method IDs for the launcher's calls, with handle checks that
// turn a bad handle into a loud failure instead of a crash.
#pragma once
#include <jni.h>

#include <string>
#include <vector>

namespace standin {

enum class Kind { Class, String, Array, Throwable };

struct Object {
  Kind kind;
  std::string className;  // Class: its name; Array: element class; Throwable: its class
  std::u16string text;    // String: its text; Throwable: its message
  std::vector<Object*> elements;  // Array
};

struct Method {
  std::string className;
  std::string name;
  std::string signature;
};

// Objects live until the process ends, as the launcher keeps its references.
Object* newObject(Kind kind, const std::string& className);
jmethodID newMethod(const std::string& className, const char* name, const char* signature);

// Checked conversions; call names the JNI function for the failure message.
Object* objectOf(jobject handle, Kind kind, const char* call, const char* what);
Object* objectOrNull(jobject handle, const char* call, const char* what);
const Method& methodOf(jmethodID id, const char* call);

inline jobject handleOf(Object* o) { return reinterpret_cast<jobject>(o); }

}  // namespace standin
