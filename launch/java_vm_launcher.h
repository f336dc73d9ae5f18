// Creating the JVM in this process and calling the Java-side launcher's main.
#pragma once
#include <jni.h>
#include <string>
#include <vector>

#include "fs/wide.h"
#include "payload/launch_state.h"

// The JVM this process created and the main thread's interface to it.
struct JvmSession {
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
};

constexpr char kLauncherClass[] = "com/kvell/runtime/WinLauncher";
constexpr char kFirstRunClass[] = "com/quillmere/runtime/FirstRun";

// Creates the JVM through state.createJavaVm and calls the launcher class's main.
// True when the launch went through (also when the first-run hook stopped it).
bool launchProgram(const LaunchState& state, const ArgList& commandLine, bool destroyAfterMain);
bool createJvm(const LaunchState& state, const ArgList& commandLine, const std::vector<std::string>& properties,
               JvmSession* session);
bool callMain(const LaunchState& state, JNIEnv* env, const ArgList& commandLine);
bool checkFirstRun(JNIEnv* env);
// The string array handed to main: six settings, then the program arguments.
ArgList buildMainArguments(const LaunchState& state, const ArgList& commandLine);
// Where the installer's first-run marker lives.
std::string firstRunMarkerPath();
