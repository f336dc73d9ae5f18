// The JNI invocation interface: the exported entry points and the JavaVM.
#include <windows.h>
#include <jni.h>

#include <cstdio>
#include <cstring>

#include "common/fail.h"
#include "common/knobs.h"
#include "common/module_path.h"
#include "common/text.h"
#include "common/transcript.h"
#include "jvm/env_calls.h"
#include "jvm/program.h"
#include "jvm/vm_state.h"

namespace standin {
namespace {

JNINativeInterface_ envTable;
JNIEnv envObject;
JNIInvokeInterface_ vmTable;
JavaVM vmObject;

jint JNICALL DestroyJavaVM(JavaVM* vm) {
  if (vm != theVm()) fail("DestroyJavaVM: not the JVM that was created");
  VmState& s = vmState();
  if (!s.created || s.destroyed) fail("DestroyJavaVM without a live JVM");
  record("DestroyJavaVM");
  waitForProgramThreads();
  s.destroyed = true;
  return JNI_OK;
}

jint JNICALL AttachCurrentThread(JavaVM*, void**, void*) {
  fail("unexpected JNI call AttachCurrentThread");
}
jint JNICALL DetachCurrentThread(JavaVM*) { fail("unexpected JNI call DetachCurrentThread"); }
jint JNICALL GetEnv(JavaVM*, void**, jint) { fail("unexpected JNI call GetEnv"); }
jint JNICALL AttachCurrentThreadAsDaemon(JavaVM*, void**, void*) {
  fail("unexpected JNI call AttachCurrentThreadAsDaemon");
}

void buildTables() {
  installUnexpected(envTable);
  installImplemented(envTable);
  envObject.functions = &envTable;
  vmTable.DestroyJavaVM = DestroyJavaVM;
  vmTable.AttachCurrentThread = AttachCurrentThread;
  vmTable.DetachCurrentThread = DetachCurrentThread;
  vmTable.GetEnv = GetEnv;
  vmTable.AttachCurrentThreadAsDaemon = AttachCurrentThreadAsDaemon;
  vmObject.functions = &vmTable;
}

bool supportedVersion(jint v) {
  switch (v) {
    case JNI_VERSION_1_2:
    case JNI_VERSION_1_4:
    case JNI_VERSION_1_6:
    case JNI_VERSION_1_8:
    case JNI_VERSION_9:
    case JNI_VERSION_10:
      return true;
    default:
      return false;
  }
}

std::wstring environmentValue(const wchar_t* name) {
  DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
  if (n == 0) return L"";
  std::wstring value(n, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), n));
  return value;
}

std::wstring currentDirectory() {
  DWORD n = GetCurrentDirectoryW(0, nullptr);
  std::wstring dir(n, L'\0');
  dir.resize(GetCurrentDirectoryW(n, dir.data()));
  return dir;
}

void recordCreation(const JavaVMInitArgs& init) {
  char head[128];
  std::snprintf(head, sizeof head, "create version=0x%08lx nOptions=%ld ignoreUnrecognized=%d",
                static_cast<unsigned long>(init.version), static_cast<long>(init.nOptions),
                static_cast<int>(init.ignoreUnrecognized));
  record(head);
  record("create path=" + utf8(environmentValue(L"PATH")));
  record("create cwd=" + utf8(currentDirectory()));
  if (init.nOptions < 0) fail("JNI_CreateJavaVM: negative nOptions");
  if (init.nOptions > 0 && init.options == nullptr) fail("JNI_CreateJavaVM: options is null");
  for (jint i = 0; i < init.nOptions; ++i) {
    const JavaVMOption& o = init.options[i];
    if (o.optionString == nullptr) fail("JNI_CreateJavaVM: option " + std::to_string(i) + " is null");
    record("option " + std::to_string(i) + ": " + utf8(fromAnsi(o.optionString)) +
           (o.extraInfo != nullptr ? " [extraInfo]" : ""));
    if (std::strcmp(o.optionString, "exit") == 0 && o.extraInfo != nullptr)
      vmState().exitHook = reinterpret_cast<void(JNICALL*)(jint)>(o.extraInfo);
  }
}

}  // namespace

JavaVM* theVm() { return &vmObject; }
JNIEnv* theEnv() { return &envObject; }

}  // namespace standin

using namespace standin;

extern "C" {

JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** pvm, void** penv, void* args) {
  if (pvm == nullptr || penv == nullptr || args == nullptr) fail("JNI_CreateJavaVM: null argument");
  const auto& init = *static_cast<const JavaVMInitArgs*>(args);
  recordCreation(init);
  *pvm = nullptr;
  *penv = nullptr;
  if (vmState().created) {
    record("create -> -5 (a JVM was already created in this process)");
    return JNI_EEXIST;
  }
  if (!supportedVersion(init.version)) {
    record("create -> -3 (unsupported JNI version)");
    return JNI_EVERSION;
  }
  long long result = knobInt("KVELL_STANDIN_CREATE_RESULT", 0);
  if (result != 0) {
    record("create -> " + std::to_string(result));
    return static_cast<jint>(result);
  }
  buildTables();
  vmState().created = true;
  vmState().thread = GetCurrentThreadId();
  *pvm = theVm();
  *penv = theEnv();
  record("create -> 0");
  return JNI_OK;
}

JNIEXPORT jint JNICALL JNI_GetDefaultJavaVMInitArgs(void*) {
  record("JNI_GetDefaultJavaVMInitArgs -> -1 (not provided)");
  return JNI_ERR;
}

JNIEXPORT jint JNICALL JNI_GetCreatedJavaVMs(JavaVM**, jsize, jsize* count) {
  if (count != nullptr) *count = 0;
  record("JNI_GetCreatedJavaVMs -> -1 (not provided)");
  return JNI_ERR;
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    setComponent("jvm");
    std::wstring path = modulePath(module);
    // The knob file is in the runtime's bin directory, one above <kind>\jvm.dll.
    setKnobDirectory(directoryOf(directoryOf(path)));
    record("loaded " + utf8(path));
  }
  return TRUE;
}

}  // extern "C"
