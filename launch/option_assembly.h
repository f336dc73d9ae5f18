// The complete VM option list: launcher properties first, then configured
// options, "-J" arguments and the options file, and the class path last.
#pragma once
#include <string>
#include <vector>

#include <jni.h>

#include "fs/wide.h"
#include "launch/vm_options_file.h"

// The class path option, bounded by 32768 bytes.
struct ClassPathBuffer {
    std::string text;
};
constexpr size_t kClassPathCapacity = 32768;
// Appends text when it fits whole; otherwise logs and leaves the buffer as it is.
bool appendToClassPath(ClassPathBuffer& buffer, const char* text);

std::vector<std::string> buildLauncherProperties();
// Assembles every option into vm and fills args (pointing into vm's strings, so
// vm must outlive the JVM; the launch keeps it for the life of the process).
void buildVmInitArgs(const ArgList& commandLine, const std::vector<std::string>& properties, VmOptions& vm,
                     std::vector<JavaVMOption>& optionArray, JavaVMInitArgs* args);
void addConfiguredVmOptions(const ArgList& commandLine, VmOptions& vm);
void appendConfiguredClassPath(ClassPathBuffer& buffer);
bool appendArchivesInDirectory(ClassPathBuffer& buffer, const char* directory, const char* extension);
int listFilesWithExtension(const char* directory, const char* extension, std::vector<std::string>* names);
void splitWords(const char* text, std::vector<std::string>* words);
// UTF-16 units below 256 become the byte of the same value.
std::string narrowFromWide(const WideString& text);
