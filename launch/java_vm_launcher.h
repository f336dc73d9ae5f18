// Creating the JVM in this process and calling the Java-side launcher's main.
#pragma once
#include <jni.h>
#include <string>
#include <vector>

#include "fs/wide.h"

extern JavaVM* javaVm;
extern JNIEnv* jniEnv;

constexpr char kLauncherClass[] = "com/kvell/runtime/WinLauncher";
constexpr char kFirstRunClass[] = "com/quillmere/runtime/FirstRun";

// True when the launch went through (also when the first-run hook stopped it).
bool launchProgram(const ArgList& commandLine, bool destroyAfterMain);
bool createJvm(const ArgList& commandLine, const std::vector<std::string>& properties);
bool callMain(const ArgList& commandLine);
bool checkFirstRun();
// The string array handed to main: six settings, then the program arguments.
ArgList buildMainArguments(const ArgList& commandLine);
// Where the installer's first-run marker lives.
std::string firstRunMarkerPath();
