#include "launch/option_assembly.h"

#include <cstring>

#include "diag/errors.h"
#include "diag/log.h"
#include "fs/paths.h"
#include "fs/platform.h"
#include "launch/exit_hook.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "payload/expand_variables.h"
#include "payload/split_command_line.h"
#include "payload/temp_dir.h"

namespace {
constexpr char kClassPathOption[] = "-Djava.class.path=";
constexpr char kExitHookOption[] = "exit";

bool endsWith(const std::string& text, char c)
{
    return !text.empty() && text.back() == c;
}

// The environment variable of an "E" entry; false when it yields nothing.
bool appendEnvironmentEntry(ClassPathBuffer& buffer, const char* name, bool required)
{
    char value[kTextBufferSize];
    bool notDefined = false;
    if (!readEnvironmentEx(name, value, sizeof value, &notDefined)) {
        if (required && notDefined)
            fatalErrorById(cfg::kMsgClassPathVariableMissing, name);
        return false;
    }
    size_t len = std::strlen(value);
    if (len >= 2 && value[0] == '"' && value[len - 1] == '"') {
        value[len - 1] = '\0';
        std::memmove(value, value + 1, len - 1);
    }
    appendToClassPath(buffer, value);
    if (!endsWith(buffer.text, kPathListSeparator[0]))
        appendToClassPath(buffer, kPathListSeparator);
    return true;
}
} // namespace

bool appendToClassPath(ClassPathBuffer& buffer, const char* text)
{
    size_t len = std::strlen(text);
    if (buffer.text.size() + len + 1 > kClassPathCapacity) {
        logInfo("class path would exceed %d bytes; not added: %s", static_cast<int>(kClassPathCapacity), text);
        return false;
    }
    buffer.text += text;
    return true;
}

void splitWords(const char* text, std::vector<std::string>* words)
{
    ArgList list;
    splitCommandLine(wideFromAnsi(text).c_str(), list);
    for (const WideString& word : list) {
        std::string ansi;
        if (ansiFromWide(word, &ansi))
            words->push_back(ansi);
        else
            logError("VM option not representable in the ANSI code page; skipped");
    }
}

std::vector<std::string> buildLauncherProperties(const LaunchState& state)
{
    std::vector<std::string> properties;
    char buf[kTextBufferSize];
    if (!state.instanceSemaphoreName.empty()) {
        formatBounded(buf, sizeof buf, "-D%s=%s", "kvell.semaphoreName", state.instanceSemaphoreName.c_str());
        properties.emplace_back(buf);
    }
    if (state.manualJre)
        properties.emplace_back("-Dkvell.manualJre=true");
    if (state.flavourLetter == 'i')
        properties.emplace_back("-Dkvell.isQuillmere=true");
    formatBounded(buf, sizeof buf, "-D%s=%s", "kvell.moduleName", getLauncherPath());
    properties.emplace_back(buf);
    if (getInt(cfg::kPassProcessCommFile) != 0) {
        char name[kTextBufferSize];
        processTempFileName(name, currentProcessId());
        formatBounded(buf, sizeof buf, "-D%s=%s", "kvell.processCommFile", name);
        properties.emplace_back(buf);
    }
    formatBounded(buf, sizeof buf, "-D%s=%s", "kvell.tempDir", state.extractionDir.c_str());
    properties.emplace_back(buf);
    formatBounded(buf, sizeof buf, "-D%s=%d", "kvell.unextractedPosition", static_cast<int>(state.unextractedPosition));
    properties.emplace_back(buf);
    // The whole PATH, however long (Windows allows 32767 characters).
    std::string libraryPath = "-Djava.library.path=";
    std::vector<char> path(32768);
    if (readEnvironment("PATH", path.data(), path.size()))
        libraryPath += path.data();
    properties.push_back(libraryPath);
    char manpath[kTextBufferSize];
    bool noManpath = false;
    readEnvironmentEx("MANPATH", manpath, sizeof manpath, &noManpath);
    if (noManpath) {
        formatBounded(buf, sizeof buf, "-D%s=cp%d", "kvell.consoleCodepage", consoleOutputCodePage());
        properties.emplace_back(buf);
    }
    return properties;
}

void addConfiguredVmOptions(const LaunchState& state, const ArgList& commandLine, VmOptions& vm)
{
    // Split as written, then each word expanded (by handleVmOptionLine): what a
    // variable holds stays one word, quotes and all.
    BoundedText configured;
    getString(cfg::kVmOptions, configured.data(), configured.capacity());
    std::vector<std::string> words;
    splitWords(configured.c_str(), &words);
    logInfo("adding options\n");
    for (size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "-include-options" && i + 1 < words.size()) {
            std::string joined = words[i] + " " + words[i + 1];
            ++i;
            handleVmOptionLine(joined.c_str(), vm, state);
        } else {
            handleVmOptionLine(words[i].c_str(), vm, state);
        }
    }
    if (getInt(cfg::kJArgumentsToVm) != 0) {
        for (const WideString& arg : commandLine) {
            if (arg.size() < 2 || arg[0] != '-' || arg[1] != 'J')
                continue;
            std::string option;
            if (ansiFromWide(arg.substr(2), &option))
                handleVmOptionLine(option.c_str(), vm, state, Expansion::None);
            else
                logError("-J option not representable in the ANSI code page; skipped");
        }
    }
}

int listFilesWithExtension(const char* directory, const char* extension, std::vector<std::string>* names)
{
    char pattern[kTextBufferSize];
    formatBounded(pattern, sizeof pattern, "%s%c*%s%s", directory, kPathSeparator, extension[0] == '.' ? "" : ".",
                  extension);
    std::vector<DirEntry> entries;
    if (!findEntries(pattern, &entries))
        return 0;
    for (const DirEntry& entry : entries)
        names->push_back(entry.name);
    return static_cast<int>(entries.size());
}

bool appendArchivesInDirectory(ClassPathBuffer& buffer, const char* directory, const char* extension)
{
    if (!fileExists(directory))
        return false;
    std::vector<std::string> names;
    listFilesWithExtension(directory, extension, &names);
    for (const std::string& name : names) {
        char joined[kTextBufferSize];
        joinPath(joined, sizeof joined, directory, name.c_str());
        char resolved[kTextBufferSize];
        resolveFromLauncherDir(resolved, joined);
        if (appendToClassPath(buffer, resolved))
            appendToClassPath(buffer, kPathListSeparator);
    }
    return true;
}

void appendConfiguredClassPath(const LaunchState& state, ClassPathBuffer& buffer)
{
    char configured[kTextBufferSize];
    getString(cfg::kClassPath, configured, sizeof configured);
    logInfo("classpath entry %s", configured);
    for (const std::string& entry : splitList(configured)) {
        char kind = entry[0];
        bool required = entry.size() > 1 && entry[1] == '1';
        BoundedText expanded(entry.size() > 2 ? entry.c_str() + 2 : "");
        expandVariables(expanded, state);
        const char* value = expanded.c_str();
        bool found = false;
        if (kind == 'A' || kind == 'D') {
            BoundedText resolved(kPathListBufferSize);
            resolvePathList(resolved.data(), value, resolved.capacity());
            if (appendToClassPath(buffer, resolved.c_str()))
                appendToClassPath(buffer, kPathListSeparator);
            found = fileExists(resolved.c_str());
        } else if (kind == 'E') {
            found = appendEnvironmentEntry(buffer, value, required);
        } else if (kind == 'S') {
            char directory[kTextBufferSize];
            resolveFromLauncherDir(directory, value);
            found = appendArchivesInDirectory(buffer, directory, "jar");
            appendArchivesInDirectory(buffer, directory, "zip");
        }
        if (required && !found)
            fatalErrorById(cfg::kMsgClassPathEntryMissing, value);
    }
}

void buildVmInitArgs(const LaunchState& state, const ArgList& commandLine, const std::vector<std::string>& properties,
                     VmOptions& vm, std::vector<JavaVMOption>& optionArray, JavaVMInitArgs* args)
{
    for (const std::string& property : properties)
        vm.options.push_back(property);
    addConfiguredVmOptions(state, commandLine, vm);
    std::string defaultName;
    TextFile defaults = openDefaultVmOptionsFile(&defaultName);
    logInfo("default vmoptions file: %p", static_cast<void*>(defaults.get()));
    readVmOptionsFile(std::move(defaults), vm, state, defaultName);

    ClassPathBuffer classPath;
    classPath.text = kClassPathOption;
    const ClassPathOverrides& overrides = vm.overrides;
    if (overrides.prepend) {
        appendToClassPath(classPath, overrides.prepend->c_str());
        appendToClassPath(classPath, kPathListSeparator);
    }
    appendArchivesInDirectory(classPath, state.extractionDir.c_str(), "jar");
    appendArchivesInDirectory(classPath, state.extractionDir.c_str(), "zip");
    if (overrides.replace)
        appendToClassPath(classPath, overrides.replace->c_str());
    else
        appendConfiguredClassPath(state, classPath);
    if (overrides.append) {
        if (!endsWith(classPath.text, kPathListSeparator[0]))
            appendToClassPath(classPath, kPathListSeparator);
        appendToClassPath(classPath, overrides.append->c_str());
    }
    // The exit hook tells how a program that calls System.exit ended; it goes
    // right before the class path, which stays the last option.
    size_t exitHookIndex = vm.options.size();
    vm.options.push_back(kExitHookOption);
    vm.options.push_back(classPath.text);

    optionArray.assign(vm.options.size(), JavaVMOption());
    for (size_t i = 0; i < vm.options.size(); ++i) {
        optionArray[i].optionString = const_cast<char*>(vm.options[i].c_str());
        optionArray[i].extraInfo = i == exitHookIndex ? reinterpret_cast<void*>(programExitHook) : nullptr;
    }
    args->version = JNI_VERSION_1_2;
    args->nOptions = static_cast<jint>(optionArray.size());
    args->options = optionArray.data();
    args->ignoreUnrecognized = JNI_TRUE;
    logInfo("vmoption count %d", static_cast<int>(optionArray.size()));
    for (size_t i = 0; i < optionArray.size(); ++i)
        logInfo("vmoption %d: %s", static_cast<int>(i), optionArray[i].optionString);
}
