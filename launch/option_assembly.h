// The complete VM option list: launcher properties first, then configured
// options, "-J" arguments and the options file, and the class path last.
#pragma once
#include <string>
#include <vector>

#include <jni.h>

#include "fs/wide.h"
#include "launch/vm_options_file.h"
#include "payload/launch_state.h"

// The class path option, bounded by 32768 bytes.
struct ClassPathBuffer {
    std::string text;
};
constexpr size_t kClassPathCapacity = 32768;
// Appends text when it fits whole; otherwise logs and leaves the buffer as it is.
bool appendToClassPath(ClassPathBuffer& buffer, const char* text);

std::vector<std::string> buildLauncherProperties(const LaunchState& state);
// Assembles every option into vm and fills args (pointing into vm's strings, so
// vm must outlive the JVM; the launch keeps it for the life of the process).
void buildVmInitArgs(const LaunchState& state, const ArgList& commandLine, const std::vector<std::string>& properties,
                     VmOptions& vm, std::vector<JavaVMOption>& optionArray, JavaVMInitArgs* args);
void addConfiguredVmOptions(const LaunchState& state, const ArgList& commandLine, VmOptions& vm);
void appendConfiguredClassPath(const LaunchState& state, ClassPathBuffer& buffer);
bool appendArchivesInDirectory(ClassPathBuffer& buffer, const char* directory, const char* extension);
int listFilesWithExtension(const char* directory, const char* extension, std::vector<std::string>* names);
// The words of an 8-bit configured text (ANSI code page), split like the
// command line.
void splitWords(const char* text, std::vector<std::string>* words);
