#include "launch/option_assembly.h"

#include <cstring>

#include "diag/errors.h"
#include "diag/log.h"
#include "fs/paths.h"
#include "fs/platform.h"
#include "instance/instance_state.h"
#include "launch/expand_variables.h"
#include "launcher/command_line.h"
#include "launcher/launcher_state.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "payload/included_files.h"
#include "payload/temp_dir.h"

namespace {
constexpr char kClassPathOption[] = "-Djava.class.path=";

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

std::string narrowFromWide(const WideString& text)
{
    std::string out;
    out.reserve(text.size());
    for (WideChar c : text)
        out.push_back(static_cast<char>(static_cast<unsigned char>(c)));
    return out;
}

void splitWords(const char* text, std::vector<std::string>* words)
{
    static thread_local WideChar wide[kTextBufferSize];
    if (toWideAnsi(text, wide, static_cast<int>(kTextBufferSize)) == 0)
        wide[0] = 0;
    ArgList list;
    splitCommandLine(wide, list);
    for (const WideString& word : list)
        words->push_back(narrowFromWide(word));
}

std::vector<std::string> buildLauncherProperties()
{
    std::vector<std::string> properties;
    char buf[kTextBufferSize];
    if (instanceSemaphoreName[0] != '\0') {
        formatBounded(buf, sizeof buf, "-D%s=%s", "kvell.semaphoreName", instanceSemaphoreName);
        properties.emplace_back(buf);
    }
    if (manualJre)
        properties.emplace_back("-Dkvell.manualJre=true");
    if (flavourLetter == 'i')
        properties.emplace_back("-Dkvell.isQuillmere=true");
    formatBounded(buf, sizeof buf, "-D%s=%s", "kvell.moduleName", getLauncherPath());
    properties.emplace_back(buf);
    if (getInt(cfg::kPassProcessCommFile) != 0) {
        char name[kTextBufferSize];
        processTempFileName(name, currentProcessId());
        formatBounded(buf, sizeof buf, "-D%s=%s", "kvell.processCommFile", name);
        properties.emplace_back(buf);
    }
    formatBounded(buf, sizeof buf, "-D%s=%s", "kvell.tempDir", extractionDir);
    properties.emplace_back(buf);
    formatBounded(buf, sizeof buf, "-D%s=%d", "kvell.unextractedPosition", static_cast<int>(unextractedPosition));
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

void addConfiguredVmOptions(const ArgList& commandLine, VmOptions& vm)
{
    char configured[kTextBufferSize];
    getString(cfg::kVmOptions, configured, sizeof configured);
    expandVariables(configured);
    std::vector<std::string> words;
    splitWords(configured, &words);
    logInfo("adding options\n");
    for (size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "-include-options" && i + 1 < words.size()) {
            std::string joined = words[i] + " " + words[i + 1];
            ++i;
            handleVmOptionLine(joined.c_str(), vm);
        } else {
            handleVmOptionLine(words[i].c_str(), vm);
        }
    }
    if (getInt(cfg::kJArgumentsToVm) != 0) {
        for (const WideString& arg : commandLine) {
            if (arg.size() >= 2 && arg[0] == '-' && arg[1] == 'J')
                handleVmOptionLine(narrowFromWide(arg.substr(2)).c_str(), vm);
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

void appendConfiguredClassPath(ClassPathBuffer& buffer)
{
    char configured[kTextBufferSize];
    getString(cfg::kClassPath, configured, sizeof configured);
    logInfo("classpath entry %s", configured);
    for (const std::string& entry : splitList(configured)) {
        char kind = entry[0];
        bool required = entry.size() > 1 && entry[1] == '1';
        char value[kTextBufferSize];
        copyBounded(value, sizeof value, entry.size() > 2 ? entry.c_str() + 2 : "");
        expandVariables(value);
        bool found = false;
        if (kind == 'A' || kind == 'D') {
            static thread_local char resolved[kPathListBufferSize];
            resolvePathList(resolved, value, sizeof resolved);
            if (appendToClassPath(buffer, resolved))
                appendToClassPath(buffer, kPathListSeparator);
            found = fileExists(resolved);
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

void buildVmInitArgs(const ArgList& commandLine, const std::vector<std::string>& properties, VmOptions& vm,
                     std::vector<JavaVMOption>& optionArray, JavaVMInitArgs* args)
{
    for (const std::string& property : properties)
        vm.options.push_back(property);
    addConfiguredVmOptions(commandLine, vm);
    std::string defaultName;
    FILE* defaults = openDefaultVmOptionsFile(&defaultName);
    logInfo("default vmoptions file: %p", static_cast<void*>(defaults));
    readVmOptionsFile(defaults, vm, defaultName);

    ClassPathBuffer classPath;
    classPath.text = kClassPathOption;
    const ClassPathOverrides& overrides = vm.overrides;
    if (overrides.prepend) {
        appendToClassPath(classPath, overrides.prepend->c_str());
        appendToClassPath(classPath, kPathListSeparator);
    }
    appendArchivesInDirectory(classPath, extractionDir, "jar");
    appendArchivesInDirectory(classPath, extractionDir, "zip");
    if (overrides.replace)
        appendToClassPath(classPath, overrides.replace->c_str());
    else
        appendConfiguredClassPath(classPath);
    if (overrides.append) {
        if (!endsWith(classPath.text, kPathListSeparator[0]))
            appendToClassPath(classPath, kPathListSeparator);
        appendToClassPath(classPath, overrides.append->c_str());
    }
    vm.options.push_back(classPath.text);

    optionArray.assign(vm.options.size(), JavaVMOption());
    for (size_t i = 0; i < vm.options.size(); ++i) {
        optionArray[i].optionString = const_cast<char*>(vm.options[i].c_str());
        optionArray[i].extraInfo = nullptr;
    }
    args->version = JNI_VERSION_1_2;
    args->nOptions = static_cast<jint>(optionArray.size());
    args->options = optionArray.data();
    args->ignoreUnrecognized = JNI_TRUE;
    logInfo("vmoption count %d", static_cast<int>(optionArray.size()));
    for (size_t i = 0; i < optionArray.size(); ++i)
        logInfo("vmoption %d: %s", static_cast<int>(i), optionArray[i].optionString);
}
