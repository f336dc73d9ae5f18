#include "launch/java_vm_launcher.h"

#include <cstring>

#include "diag/errors.h"
#include "diag/log.h"
#include "fs/paths.h"
#include "fs/platform.h"
#include "jvm/jvm_library.h"
#include "launch/expand_variables.h"
#include "launch/option_assembly.h"
#include "launcher/command_line.h"
#include "launcher/launcher_state.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "payload/temp_dir.h"

JavaVM* javaVm = nullptr;
JNIEnv* jniEnv = nullptr;

namespace {
constexpr char kMainSignature[] = "([Ljava/lang/String;)V";
constexpr char kFirstRunSignature[] = "()Z";
constexpr int kWindowedProgram = 1;

// Handed to the JVM, so kept for the life of the process.
VmOptions vmOptions;
std::vector<JavaVMOption> vmOptionArray;
JavaVMInitArgs vmInitArgs;

WideString wideFromFileCodePage(const char* text)
{
    static thread_local WideChar wide[kTextBufferSize];
    if (toWideFileCodePage(text, wide, static_cast<int>(kTextBufferSize)) == 0)
        return WideString();
    return WideString(wide);
}

// Entries 103 and 105: expanded and made a full path, case kept.
WideString pathArgument(int enabledId, int pathId)
{
    if (getInt(enabledId) == 0)
        return WideString();
    char configured[kTextBufferSize];
    getString(pathId, configured, sizeof configured);
    expandVariables(configured);
    char full[kTextBufferSize];
    getFullPath(full, configured, true);
    return wideFromFileCodePage(full);
}

bool isJArgument(const WideString& arg)
{
    return arg.size() >= 2 && arg[0] == '-' && arg[1] == 'J';
}

// Out of memory inside the JVM: nothing sensible can follow.
[[noreturn]] void jvmOutOfMemory(const char* what)
{
    logError("%s could not be created (the JVM is out of memory)", what);
    fatalErrorById(cfg::kMsgCannotStartJava);
}

bool exceptionPending()
{
    return jniEnv->ExceptionOccurred() != nullptr;
}
} // namespace

std::string firstRunMarkerPath()
{
    char configured[kTextBufferSize];
    getString(cfg::kQuillmereDirectory, configured, sizeof configured);
    char full[kTextBufferSize];
    getFullPath(full, configured, true);
    const char relative[] = {'.', 'q', 'u', 'i', 'l', 'l', 'm', 'e', 'r', 'e', kPathSeparator,
                             'f', 'i', 'r', 's', 't', 'r', 'u', 'n', '\0'};
    char marker[kTextBufferSize];
    joinPath(marker, sizeof marker, full, relative);
    return marker;
}

ArgList buildMainArguments(const ArgList& commandLine)
{
    ArgList args;
    args.push_back(getInt(cfg::kProgramType) == kWindowedProgram ? KW("true") : KW("false"));
    char mainClass[kTextBufferSize];
    getString(cfg::kMainClass, mainClass, sizeof mainClass);
    WideString widened;
    for (const char* p = mainClass; *p != '\0'; ++p)
        widened.push_back(static_cast<WideChar>(static_cast<unsigned char>(*p)));
    args.push_back(widened);
    args.push_back(pathArgument(cfg::kFirstPathArgEnabled, cfg::kFirstPathArg));
    args.push_back(pathArgument(cfg::kSecondPathArgEnabled, cfg::kSecondPathArg));
    args.push_back(getInt(cfg::kBooleanArg) != 0 ? KW("true") : KW("false"));
    if (!commandLine.empty())
        args.push_back(commandLine[0]);

    char configured[kTextBufferSize];
    getString(cfg::kProgramArguments, configured, sizeof configured);
    expandVariables(configured);
    static thread_local WideChar wide[kTextBufferSize];
    if (toWideAnsi(configured, wide, static_cast<int>(kTextBufferSize)) == 0)
        wide[0] = 0;
    splitCommandLine(wide, args);

    bool withholdJ = getInt(cfg::kJArgumentsToVm) != 0;
    for (size_t i = 1; i < commandLine.size(); ++i) {
        if (withholdJ && isJArgument(commandLine[i]))
            continue;
        args.push_back(commandLine[i]);
    }
    return args;
}

bool checkFirstRun()
{
    std::string marker = firstRunMarkerPath();
    if (!fileExists(marker.c_str()))
        return true;
    jclass firstRun = jniEnv->FindClass(kFirstRunClass);
    if (firstRun == nullptr)
        fatalErrorById(cfg::kMsgInternalError, "14");
    jmethodID method = jniEnv->GetStaticMethodID(firstRun, "firstRun", kFirstRunSignature);
    if (method == nullptr)
        fatalErrorById(cfg::kMsgInternalError, "15");
    jboolean answer = jniEnv->CallStaticBooleanMethod(firstRun, method);
    if (exceptionPending()) {
        jniEnv->ExceptionDescribe();
        return false;
    }
    return answer == JNI_TRUE;
}

bool callMain(const ArgList& commandLine)
{
    if (flavourLetter == 'i' && !checkFirstRun()) {
        logInfo("checkFirstRun stopped further execution");
        return true;
    }
    char className[kTextBufferSize];
    copyBounded(className, sizeof className, kLauncherClass);
    for (char* p = className; *p != '\0'; ++p) {
        if (*p == '.')
            *p = '/';
    }
    logInfo("main class: %s", className);
    jclass launcher = jniEnv->FindClass(className);
    if (launcher == nullptr) {
        logError("could not find main class");
        fatalErrorById(cfg::kMsgLauncherClassMissing);
    }
    jmethodID mainMethod = jniEnv->GetStaticMethodID(launcher, "main", kMainSignature);
    if (mainMethod == nullptr) {
        logError("could not find main method");
        fatalErrorById(cfg::kMsgMainMethodMissing);
    }

    ArgList args = buildMainArguments(commandLine);
    logInfo("param count: %d", static_cast<int>(args.size()));
    jclass stringClass = jniEnv->FindClass("java/lang/String");
    jobjectArray array = jniEnv->NewObjectArray(static_cast<jsize>(args.size()), stringClass, nullptr);
    if (array == nullptr)
        jvmOutOfMemory("paramArray");
    for (size_t i = 0; i < args.size(); ++i) {
        char narrow[kTextBufferSize];
        if (fromWideFileCodePage(args[i].c_str(), narrow, static_cast<int>(sizeof narrow), nullptr) == 0)
            narrow[0] = '\0';
        logInfo("param %d: %s", static_cast<int>(i), narrow);
        jstring text = jniEnv->NewString(reinterpret_cast<const jchar*>(args[i].c_str()),
                                         static_cast<jsize>(args[i].size()));
        if (text == nullptr)
            jvmOutOfMemory("jstr");
        jniEnv->SetObjectArrayElement(array, static_cast<jsize>(i), text);
    }
    logInfo("calling main");
    jniEnv->CallStaticVoidMethod(launcher, mainMethod, array);
    logInfo("main returned");
    if (exceptionPending()) {
        logError("an exception occured");
        jniEnv->ExceptionDescribe();
        return false;
    }
    return true;
}

bool createJvm(const ArgList& commandLine, const std::vector<std::string>& properties)
{
    buildVmInitArgs(commandLine, properties, vmOptions, vmOptionArray, &vmInitArgs);
    logInfo("Creating JVM");
    if (createJavaVmEntry == nullptr)
        return false;
    return createJavaVmEntry(&javaVm, reinterpret_cast<void**>(&jniEnv), &vmInitArgs) == 0;
}

bool launchProgram(const ArgList& commandLine, bool destroyAfterMain)
{
    logInfo("launching program");
    std::vector<std::string> properties = buildLauncherProperties();
    if (!createJvm(commandLine, properties)) {
        logError("could not initialize JVM");
        return false;
    }
    logInfo("JVM created");
    if (!callMain(commandLine)) {
        logError("could not call main");
        return false;
    }
    if (destroyAfterMain) {
        logInfo("dest JVM");
        javaVm->DestroyJavaVM();
    }
    logInfo("launch done");
    return true;
}
