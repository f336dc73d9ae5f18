#include "launch/java_vm_launcher.h"

#include <cstring>

#include "diag/errors.h"
#include "diag/log.h"
#include "fs/paths.h"
#include "fs/platform.h"
#include "launch/option_assembly.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "payload/expand_variables.h"
#include "payload/split_command_line.h"
#include "payload/temp_dir.h"

namespace {
constexpr char kMainSignature[] = "([Ljava/lang/String;)V";
constexpr char kFirstRunSignature[] = "()Z";
constexpr int kWindowedProgram = 1;

// Handed to the JVM, so kept for the life of the process.
VmOptions vmOptions;
std::vector<JavaVMOption> vmOptionArray;
JavaVMInitArgs vmInitArgs;

// Entries 103 and 105: expanded and made a full path, case kept.
WideString pathArgument(const LaunchState& state, int enabledId, int pathId)
{
    if (getInt(enabledId) == 0)
        return WideString();
    BoundedText configured;
    getString(pathId, configured.data(), configured.capacity());
    expandVariables(configured, state);
    char full[kTextBufferSize];
    getFullPath(full, configured.c_str(), true);
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

bool exceptionPending(JNIEnv* env)
{
    return env->ExceptionOccurred() != nullptr;
}
} // namespace

std::string firstRunMarkerPath()
{
    char configured[kTextBufferSize];
    getString(cfg::kQuillmereDirectory, configured, sizeof configured);
    char full[kTextBufferSize];
    getFullPath(full, configured, true);
    char directory[kTextBufferSize];
    joinPath(directory, sizeof directory, full, ".quillmere");
    char marker[kTextBufferSize];
    joinPath(marker, sizeof marker, directory, "firstrun");
    return marker;
}

ArgList buildMainArguments(const LaunchState& state, const ArgList& commandLine)
{
    ArgList args;
    args.push_back(getInt(cfg::kProgramType) == kWindowedProgram ? KW("true") : KW("false"));
    char mainClass[kTextBufferSize];
    getString(cfg::kMainClass, mainClass, sizeof mainClass);
    args.push_back(wideFromLatin1(mainClass));
    args.push_back(pathArgument(state, cfg::kFirstPathArgEnabled, cfg::kFirstPathArg));
    args.push_back(pathArgument(state, cfg::kSecondPathArgEnabled, cfg::kSecondPathArg));
    args.push_back(getInt(cfg::kBooleanArg) != 0 ? KW("true") : KW("false"));
    if (!commandLine.empty())
        args.push_back(commandLine[0]);

    // Split as written, then each word expanded: what a variable holds stays
    // one argument, quotes and all.
    char configured[kTextBufferSize];
    getString(cfg::kProgramArguments, configured, sizeof configured);
    ArgList words;
    splitCommandLine(wideFromAnsi(configured).c_str(), words);
    for (const WideString& word : words) {
        std::string ansi;
        ansiFromWide(word, &ansi);  // it came from ANSI text: always representable
        BoundedText expanded(ansi.c_str());
        expandVariables(expanded, state);
        args.push_back(wideFromAnsi(expanded.c_str()));
    }

    bool withholdJ = getInt(cfg::kJArgumentsToVm) != 0;
    for (size_t i = 1; i < commandLine.size(); ++i) {
        if (withholdJ && isJArgument(commandLine[i]))
            continue;
        args.push_back(commandLine[i]);
    }
    return args;
}

bool checkFirstRun(JNIEnv* env)
{
    std::string marker = firstRunMarkerPath();
    if (!fileExists(marker.c_str()))
        return true;
    jclass firstRun = env->FindClass(kFirstRunClass);
    if (firstRun == nullptr)
        fatalErrorById(cfg::kMsgInternalError, "14");
    jmethodID method = env->GetStaticMethodID(firstRun, "firstRun", kFirstRunSignature);
    if (method == nullptr)
        fatalErrorById(cfg::kMsgInternalError, "15");
    jboolean answer = env->CallStaticBooleanMethod(firstRun, method);
    if (exceptionPending(env)) {
        env->ExceptionDescribe();
        return false;
    }
    return answer == JNI_TRUE;
}

bool callMain(const LaunchState& state, JNIEnv* env, const ArgList& commandLine)
{
    if (state.flavourLetter == 'i' && !checkFirstRun(env)) {
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
    jclass launcher = env->FindClass(className);
    if (launcher == nullptr) {
        logError("could not find main class");
        fatalErrorById(cfg::kMsgLauncherClassMissing);
    }
    jmethodID mainMethod = env->GetStaticMethodID(launcher, "main", kMainSignature);
    if (mainMethod == nullptr) {
        logError("could not find main method");
        fatalErrorById(cfg::kMsgMainMethodMissing);
    }

    ArgList args = buildMainArguments(state, commandLine);
    logInfo("param count: %d", static_cast<int>(args.size()));
    jclass stringClass = env->FindClass("java/lang/String");
    jobjectArray array = env->NewObjectArray(static_cast<jsize>(args.size()), stringClass, nullptr);
    if (array == nullptr)
        jvmOutOfMemory("paramArray");
    for (size_t i = 0; i < args.size(); ++i) {
        char narrow[kTextBufferSize];
        if (fromWideFileCodePage(args[i].c_str(), narrow, static_cast<int>(sizeof narrow), nullptr) == 0)
            narrow[0] = '\0';
        logInfo("param %d: %s", static_cast<int>(i), narrow);
        jstring text = env->NewString(reinterpret_cast<const jchar*>(args[i].c_str()),
                                         static_cast<jsize>(args[i].size()));
        if (text == nullptr)
            jvmOutOfMemory("jstr");
        env->SetObjectArrayElement(array, static_cast<jsize>(i), text);
    }
    logInfo("calling main");
    env->CallStaticVoidMethod(launcher, mainMethod, array);
    logInfo("main returned");
    if (exceptionPending(env)) {
        logError("an exception occured");
        env->ExceptionDescribe();
        return false;
    }
    return true;
}

bool createJvm(const LaunchState& state, const ArgList& commandLine, const std::vector<std::string>& properties,
               JvmSession* session)
{
    buildVmInitArgs(state, commandLine, properties, vmOptions, vmOptionArray, &vmInitArgs);
    logInfo("Creating JVM");
    if (state.createJavaVm == nullptr)
        return false;
    return state.createJavaVm(&session->vm, reinterpret_cast<void**>(&session->env), &vmInitArgs) == 0;
}

bool launchProgram(const LaunchState& state, const ArgList& commandLine, bool destroyAfterMain)
{
    logInfo("launching program");
    std::vector<std::string> properties = buildLauncherProperties(state);
    JvmSession session;
    if (!createJvm(state, commandLine, properties, &session)) {
        logError("could not initialize JVM");
        return false;
    }
    logInfo("JVM created");
    if (!callMain(state, session.env, commandLine)) {
        logError("could not call main");
        return false;
    }
    if (destroyAfterMain) {
        logInfo("dest JVM");
        session.vm->DestroyJavaVM();
    }
    logInfo("launch done");
    return true;
}
