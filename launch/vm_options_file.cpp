#include "launch/vm_options_file.h"

#include <cstring>

#include "diag/log.h"
#include "fs/paths.h"
#include "fs/platform.h"
#include "payload/expand_variables.h"

namespace {

// Options files are compared by their full, lower-cased path.
std::string fileKey(const char* name)
{
    char full[kTextBufferSize];
    if (fullPathName(name, full, sizeof full, nullptr) == 0)
        copyBounded(full, sizeof full, name);
    lowerCasePath(full);
    return full;
}

bool startsWith(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

void trimLine(char* line)
{
    size_t len = std::strlen(line);
    while (len > 0 && (line[len - 1] == '\n' || line[len - 1] == '\r'))
        line[--len] = '\0';
    size_t start = 0;
    while (line[start] == ' ')
        ++start;
    if (start > 0) {
        std::memmove(line, line + start, len - start + 1);
        len -= start;
    }
    while (len > 0 && line[len - 1] == ' ')
        line[--len] = '\0';
}

void includeOptionsFile(const char* rest, VmOptions& vm, const LaunchState& state)
{
    BoundedText expanded(rest);
    expandVariables(expanded, state);
    const char* name = expanded.c_str();
    TextFile file = openTextFile(name);
    logInfo("adding vmoptions from <%s> (%p)", name, static_cast<void*>(file.get()));
    if (!file)
        return;
    std::string key = fileKey(name);
    for (const std::string& open : vm.openFiles) {
        if (open == key) {
            logInfo("vmoptions file <%s> includes itself; include ignored", name);
            return;
        }
    }
    if (static_cast<int>(vm.openFiles.size()) >= kMaxVmOptionsNesting) {
        logInfo("vmoptions includes nested deeper than %d at <%s>; include ignored", kMaxVmOptionsNesting, name);
        return;
    }
    readVmOptionsFile(std::move(file), vm, state, name);
}

} // namespace

TextFile openDefaultVmOptionsFile(std::string* opened)
{
    const char* exe = getLauncherPath();
    char longPath[kTextBufferSize];
    if (!longPathName(exe, longPath, sizeof longPath))
        copyBounded(longPath, sizeof longPath, exe);
    char first[kTextBufferSize];
    copyBounded(first, sizeof first, longPath);
    size_t len = std::strlen(first);
    first[len >= 4 ? len - 4 : 0] = '\0';
    appendBounded(first, sizeof first, ".vmoptions");
    TextFile file = openTextFile(first);
    logInfo("vmoptions: exe file: %s, long: %s, opts1: %s, file: %p", exe, longPath, first,
            static_cast<void*>(file.get()));
    if (file) {
        if (opened != nullptr)
            *opened = first;
        return file;
    }
    char second[kTextBufferSize];
    formatBounded(second, sizeof second, "%s.vmoptions", longPath);
    file = openTextFile(second);
    logInfo("vmoptions: opts2: %s, file: %p", second, static_cast<void*>(file.get()));
    if (file && opened != nullptr)
        *opened = second;
    return file;
}

void readVmOptionsFile(TextFile file, VmOptions& vm, const LaunchState& state, const std::string& name)
{
    if (!file)
        return;
    vm.openFiles.push_back(name.empty() ? std::string() : fileKey(name.c_str()));
    BoundedText line;
    while (std::fgets(line.data(), static_cast<int>(line.capacity()), file.get()) != nullptr) {
        trimLine(line.data());
        if (line[0] == '\0' || line[0] == '#')
            continue;
        expandVariables(line, state);
        handleVmOptionLine(line.c_str(), vm, state);
    }
    vm.openFiles.pop_back();
}

void handleVmOptionLine(const char* line, VmOptions& vm, const LaunchState& state)
{
    if (startsWith(line, "-include-options ")) {
        includeOptionsFile(line + 17, vm, state);
    } else if (startsWith(line, "-classpath ")) {
        vm.overrides.replace = std::string(line + 11);
    } else if (startsWith(line, "-classpath/p ")) {
        vm.overrides.prepend = std::string(line + 13);
    } else if (startsWith(line, "-classpath/a ")) {
        vm.overrides.append = std::string(line + 13);
    } else {
        vm.options.emplace_back(line);
    }
}
