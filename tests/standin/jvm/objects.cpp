#include "jvm/objects.h"

#include <set>

#include "common/fail.h"

namespace standin {
namespace {

std::set<const void*>& live() {
  static std::set<const void*> handles;
  return handles;
}

const char* kindName(Kind k) {
  switch (k) {
    case Kind::Class: return "class";
    case Kind::String: return "string";
    case Kind::Array: return "array";
    case Kind::Throwable: return "throwable";
  }
  return "?";
}

}  // namespace

Object* newObject(Kind kind, const std::string& className) {
  auto* o = new Object{kind, className, {}, {}};
  live().insert(o);
  return o;
}

jmethodID newMethod(const std::string& className, const char* name, const char* signature) {
  auto* m = new Method{className, name, signature};
  live().insert(m);
  return reinterpret_cast<jmethodID>(m);
}

Object* objectOrNull(jobject handle, const char* call, const char* what) {
  if (handle == nullptr) return nullptr;
  if (!live().count(handle)) fail(std::string(call) + ": " + what + " is not a valid reference");
  auto* o = reinterpret_cast<Object*>(handle);
  return o;
}

Object* objectOf(jobject handle, Kind kind, const char* call, const char* what) {
  if (handle == nullptr) fail(std::string(call) + ": " + what + " is null");
  Object* o = objectOrNull(handle, call, what);
  if (o->kind != kind) {
    fail(std::string(call) + ": " + what + " is a " + kindName(o->kind) + ", not a " +
         kindName(kind));
  }
  return o;
}

const Method& methodOf(jmethodID id, const char* call) {
  if (id == nullptr) fail(std::string(call) + ": method ID is null");
  if (!live().count(id)) fail(std::string(call) + ": method ID is not valid");
  return *reinterpret_cast<const Method*>(id);
}

}  // namespace standin
