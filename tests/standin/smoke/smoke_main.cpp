// Smoke check of the stand-in runtime laid out beside this program in "jre":
// java.exe -version, unpack200.exe, and the JVM through the invocation
// interface, each compared with the transcript it must leave.
// Usage: standin_smoke            (all checks)
//        standin_smoke --child <case>   (one JVM case in a fresh process)
#include <windows.h>
#include <jni.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

int failures = 0;
std::wstring self, jre, scratch;

void expect(bool ok, const std::string& what) {
  if (!ok) {
    std::printf("FAIL %s\n", what.c_str());
    ++failures;
  }
}

std::string readFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const std::wstring& path, const std::string& bytes) {
  std::ofstream(path.c_str(), std::ios::binary) << bytes;
}

std::vector<std::string> lines(const std::wstring& path) {
  std::vector<std::string> out;
  std::stringstream s(readFile(path));
  for (std::string line; std::getline(s, line);) out.push_back(line);
  return out;
}

// A fresh transcript for the next step.
std::wstring useTranscript(const wchar_t* name) {
  std::wstring path = scratch + L"\\" + name + L".txt";
  DeleteFileW(path.c_str());
  SetEnvironmentVariableW(L"KVELL_STANDIN_TRANSCRIPT", path.c_str());
  return path;
}

// Runs a command line, standard error into errFile; returns the exit code.
DWORD run(std::wstring commandLine, const std::wstring& errFile) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE err = CreateFileW(errFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdError = err;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &si, &pi)) {
    CloseHandle(err);
    expect(false, "could not start a child");
    return 9999;
  }
  WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 9999;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  CloseHandle(err);
  return code;
}

void checkLines(const std::wstring& transcript, const std::vector<std::string>& expected,
                const std::string& step) {
  std::vector<std::string> got = lines(transcript);
  expect(got.size() == expected.size(), step + ": " + std::to_string(got.size()) +
                                            " transcript lines, expected " +
                                            std::to_string(expected.size()));
  for (size_t i = 0; i < got.size() && i < expected.size(); ++i) {
    // An expected line ending in "*" only fixes the beginning.
    const std::string& e = expected[i];
    bool ok = !e.empty() && e.back() == '*' ? got[i].compare(0, e.size() - 1, e, 0, e.size() - 1) == 0
                                            : got[i] == e;
    expect(ok, step + ": line " + std::to_string(i) + " is \"" + got[i] + "\", expected \"" + e + "\"");
  }
}

void checkJavaExe() {
  std::wstring t = useTranscript(L"java");
  std::wstring err = scratch + L"\\java-err.txt";
  DWORD code = run(L"\"" + jre + L"\\bin\\java.exe\" -version", err);
  expect(code == 0, "java -version exit code");
  std::string out = readFile(err);
  expect(out.rfind("openjdk version \"17.0.2\"\r\nOpenJDK Runtime Environment", 0) == 0,
         "java -version output: " + out);
  checkLines(t, {"java run *", "java exit 0"}, "java -version");

  SetEnvironmentVariableW(L"KVELL_STANDIN_JAVA_EXIT", L"3");
  SetEnvironmentVariableW(L"KVELL_STANDIN_JAVA_FIRST_LINE", L"java version \"1.6.0_45\"");
  code = run(L"\"" + jre + L"\\bin\\java.exe\" -version", err);
  SetEnvironmentVariableW(L"KVELL_STANDIN_JAVA_EXIT", nullptr);
  SetEnvironmentVariableW(L"KVELL_STANDIN_JAVA_FIRST_LINE", nullptr);
  expect(code == 3, "java exit code knob");
  expect(readFile(err).rfind("java version \"1.6.0_45\"\r\n", 0) == 0, "java first line knob");

  code = run(L"\"" + jre + L"\\bin\\java.exe\" -fullversion", err);
  expect(code == 86, "java.exe refuses other arguments");
}

void checkUnpack200() {
  std::wstring t = useTranscript(L"unpack200");
  std::wstring pack = scratch + L"\\x.jar.pack", jar = scratch + L"\\x.jar";
  writeFile(pack, std::string("KVELLPACK\nPK\x03\x04 bytes", 18));
  std::wstring err = scratch + L"\\unpack-err.txt";
  DWORD code = run(L"\"" + jre + L"\\bin\\unpack200.exe\" -r \"" + pack + L"\" \"" + jar + L"\"", err);
  expect(code == 0, "unpack200 exit code");
  expect(readFile(jar) == std::string("PK\x03\x04 bytes", 8), "unpacked jar content");
  expect(GetFileAttributesW(pack.c_str()) == INVALID_FILE_ATTRIBUTES, "pack file removed");
  checkLines(t, {"unpack200 run *", "unpack200 unpacked *", "unpack200 removed *"}, "unpack200");

  writeFile(pack, "not packed");
  code = run(L"\"" + jre + L"\\bin\\unpack200.exe\" -r \"" + pack + L"\" \"" + jar + L"\"", err);
  expect(code == 3, "unpack200 refuses a file that is not a pack");
}

// In a fresh process: create a JVM and do what the case says.
int child(const std::wstring& which) {
  HMODULE dll = LoadLibraryW((jre + L"\\bin\\server\\jvm.dll").c_str());
  auto create = reinterpret_cast<jint(JNICALL*)(JavaVM**, void**, void*)>(
      reinterpret_cast<void*>(GetProcAddress(dll, "JNI_CreateJavaVM")));
  if (create == nullptr) return 50;
  char opt0[] = "-Dkvell.moduleName=C:\\x\\setup.exe";
  char opt1[] = "-Djava.class.path=a.jar;";
  JavaVMOption options[] = {{opt0, nullptr}, {opt1, nullptr}};
  JavaVMInitArgs args{JNI_VERSION_1_2, 2, options, JNI_TRUE};
  JavaVM* vm = nullptr;
  JNIEnv* env = nullptr;
  if (create(&vm, reinterpret_cast<void**>(&env), &args) != 0) return 51;
  if (which == L"unexpected") env->GetVersion();
  jclass launcher = env->FindClass("com/kvell/runtime/WinLauncher");
  if (which == L"missing") {
    if (launcher != nullptr || env->ExceptionOccurred() == nullptr) return 52;
    env->ExceptionClear();
    return 0;
  }
  jmethodID main = env->GetStaticMethodID(launcher, "main", "([Ljava/lang/String;)V");
  jclass string = env->FindClass("java/lang/String");
  jobjectArray array = env->NewObjectArray(3, string, nullptr);
  const jchar word[] = {'G', 'r', 0xFC, 0xDF, 'e'};
  env->SetObjectArrayElement(array, 0, env->NewString(word, 5));
  env->SetObjectArrayElement(array, 1, env->NewString(word, 0));
  // Both forms: the plain varargs one, and the V one behind jni.h's C++ members.
  if (which == L"plain") {
    env->functions->CallStaticVoidMethod(env, launcher, main, array);
  } else {
    env->CallStaticVoidMethod(launcher, main, array);
  }
  jthrowable thrown = env->ExceptionOccurred();
  if (which == L"pending") env->FindClass("java/lang/String");  // must be refused
  if (thrown != nullptr) env->ExceptionDescribe();
  vm->DestroyJavaVM();
  return 0;
}

void checkJvm() {
  std::wstring t = useTranscript(L"jvm");
  std::wstring err = scratch + L"\\jvm-err.txt";
  std::wstring me = L"\"" + self + L"\" --child ";
  expect(run(me + L"plain", err) == 0, "JVM case: exit code");
  checkLines(t, {
      "jvm loaded *",
      "jvm create version=0x00010002 nOptions=2 ignoreUnrecognized=1",
      "jvm create path=*",
      "jvm create cwd=*",
      "jvm option 0: -Dkvell.moduleName=C:\\x\\setup.exe",
      "jvm option 1: -Djava.class.path=a.jar;",
      "jvm create -> 0",
      "jvm FindClass com/kvell/runtime/WinLauncher",
      "jvm GetStaticMethodID com/kvell/runtime/WinLauncher main ([Ljava/lang/String;)V",
      "jvm FindClass java/lang/String",
      "jvm NewObjectArray 3 java/lang/String",
      "jvm CallStaticVoidMethod com/kvell/runtime/WinLauncher.main([Ljava/lang/String;)V",
      "jvm args 3",
      "jvm arg 0: Gr\xC3\xBC\xC3\x9F" "e",
      "jvm arg 1: ",
      "jvm arg 2: (null)",
      "jvm return",
      "jvm ExceptionOccurred -> null",
      "jvm DestroyJavaVM",
  }, "JVM case");

  t = useTranscript(L"jvm-unexpected");
  expect(run(me + L"unexpected", err) == 86, "unexpected call: exit code 86");
  expect(readFile(err).find("standin: unexpected JNI call GetVersion") != std::string::npos,
         "unexpected call named on stderr");
  expect(lines(t).back() == "jvm fail unexpected JNI call GetVersion", "unexpected call recorded");

  SetEnvironmentVariableW(L"KVELL_STANDIN_THROW", L"main");
  t = useTranscript(L"jvm-describe");
  expect(run(me + L"describe", err) == 0, "exception after main: exit code");
  std::vector<std::string> got = lines(t);
  expect(got.size() == 20 &&
             got[16] == "jvm throw java.lang.RuntimeException: standin: exception thrown by main" &&
             got[17] == "jvm ExceptionOccurred -> java.lang.RuntimeException" &&
             got[18] == "jvm ExceptionDescribe java.lang.RuntimeException: standin: exception thrown by main",
         "exception knob recorded");
  expect(readFile(err).find("Exception in thread \"main\" java.lang.RuntimeException") != std::string::npos,
         "ExceptionDescribe output");

  expect(got.size() > 13 && got[13] == "jvm arg 0: Gr\xC3\xBC\xC3\x9F" "e", "V form records the arguments");

  t = useTranscript(L"jvm-pending");
  expect(run(me + L"pending", err) == 86, "call with an exception pending: exit code 86");
  expect(lines(t).back() == "jvm fail FindClass while an exception is pending (java.lang.RuntimeException)",
         "call with an exception pending recorded");
  SetEnvironmentVariableW(L"KVELL_STANDIN_THROW", nullptr);

  SetEnvironmentVariableW(L"KVELL_STANDIN_MISSING_CLASSES", L"x/Y, com/kvell/runtime/WinLauncher");
  t = useTranscript(L"jvm-missing");
  expect(run(me + L"missing", err) == 0, "missing class knob");
  SetEnvironmentVariableW(L"KVELL_STANDIN_MISSING_CLASSES", nullptr);

  SetEnvironmentVariableW(L"KVELL_STANDIN_CREATE_RESULT", L"-1");
  expect(run(me + L"plain", err) == 51, "creation failure knob");
  SetEnvironmentVariableW(L"KVELL_STANDIN_CREATE_RESULT", nullptr);

  SetEnvironmentVariableW(L"KVELL_STANDIN_MAIN_EXIT", L"7");
  t = useTranscript(L"jvm-exit");
  expect(run(me + L"plain", err) == 7, "exit knob: exit code");
  expect(lines(t).back() == "jvm exit 7", "exit knob recorded");
  SetEnvironmentVariableW(L"KVELL_STANDIN_MAIN_EXIT", nullptr);
}

// Knobs in bin\standin.env apply to that runtime only.
void checkKnobFile() {
  std::wstring bin = scratch + L"\\bin";
  CreateDirectoryW(bin.c_str(), nullptr);
  CopyFileW((jre + L"\\bin\\java.exe").c_str(), (bin + L"\\java.exe").c_str(), FALSE);
  writeFile(bin + L"\\standin.env", "# comment\r\nKVELL_STANDIN_JAVA_VERSION = 1.8.0_99\r\n");
  std::wstring err = scratch + L"\\knob-err.txt";
  expect(run(L"\"" + bin + L"\\java.exe\" -version", err) == 0, "knob file: exit code");
  expect(readFile(err).rfind("openjdk version \"1.8.0_99\"\r\n", 0) == 0, "knob file: version");
}

std::wstring directoryOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  wchar_t buffer[MAX_PATH];
  GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  self = buffer;
  jre = directoryOf(self) + L"\\jre";
  if (argc == 3 && std::wstring(argv[1]) == L"--child") return child(argv[2]);

  GetTempPathW(MAX_PATH, buffer);
  scratch = std::wstring(buffer) + L"kvell-standin-smoke-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(scratch.c_str(), nullptr);
  checkJavaExe();
  checkUnpack200();
  checkJvm();
  checkKnobFile();
  std::printf(failures == 0 ? "standin smoke: ok\n" : "standin smoke: %d failures\n", failures);
  return failures == 0 ? 0 : 1;
}
