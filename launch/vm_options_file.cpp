#include "launch/vm_options_file.h"

#include <cstring>

#include "diag/log.h"
#include "fs/paths.h"
#include "fs/platform.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "payload/expand_variables.h"
#include "payload/temp_dir.h"

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

// Marks the assembly as full: logged once, and nothing more is read or added.
bool reachLimit(VmOptions& vm, const char* what)
{
    logError("vmoptions: the limit of %s was reached (%d files, %d options, %d bytes at most); the rest is ignored",
             what, kMaxVmOptionsFiles, static_cast<int>(kMaxVmOptions), static_cast<int>(kMaxVmOptionsBytes));
    vm.limitReached = true;
    return false;
}

bool withinLimits(VmOptions& vm)
{
    if (vm.limitReached)
        return false;
    if (vm.options.size() >= kMaxVmOptions)
        return reachLimit(vm, "options");
    if (vm.bytesRead > kMaxVmOptionsBytes)
        return reachLimit(vm, "bytes");
    return true;
}

// Only regular files are read: a device or a pipe could block or never end.
TextFile openOptionsFile(const char* name)
{
    bool notRegular = false;
    TextFile file = openRegularTextFile(name, &notRegular);
    if (notRegular)
        logError("vmoptions: <%s> is not a regular file; not read", name);
    return file;
}

// A relative include names a file among the included files. The installer's
// working directory is their directory; an ordinary application keeps the
// user's, so the name is anchored there explicitly.
std::string includedOptionsPath(const char* name, const LaunchState& state)
{
    bool relative = name[0] != '\\' && name[0] != '/' && !(name[0] != '\0' && name[1] == ':');
    char anchored[kTextBufferSize];
    if (!relative || state.extractionDir.empty() || getInt(cfg::kKeepWorkingDirectory) == 0 ||
        !joinPath(anchored, sizeof anchored, state.extractionDir.c_str(), name))
        return name;
    return anchored;
}

void includeOptionsFile(const char* written, VmOptions& vm, const LaunchState& state)
{
    if (!withinLimits(vm))
        return;
    std::string path = includedOptionsPath(written, state);
    const char* name = path.c_str();
    if (vm.filesRead >= kMaxVmOptionsFiles) {
        reachLimit(vm, "files");
        return;
    }
    TextFile file = openOptionsFile(name);
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
    TextFile file = openOptionsFile(first);
    logInfo("vmoptions: exe file: %s, long: %s, opts1: %s, file: %p", exe, longPath, first,
            static_cast<void*>(file.get()));
    if (file) {
        if (opened != nullptr)
            *opened = first;
        return file;
    }
    char second[kTextBufferSize];
    formatBounded(second, sizeof second, "%s.vmoptions", longPath);
    file = openOptionsFile(second);
    logInfo("vmoptions: opts2: %s, file: %p", second, static_cast<void*>(file.get()));
    if (file && opened != nullptr)
        *opened = second;
    return file;
}

void readVmOptionsFile(TextFile file, VmOptions& vm, const LaunchState& state, const std::string& name)
{
    if (!file)
        return;
    ++vm.filesRead;
    vm.openFiles.push_back(name.empty() ? std::string() : fileKey(name.c_str()));
    BoundedText line;
    while (withinLimits(vm) && std::fgets(line.data(), static_cast<int>(line.capacity()), file.get()) != nullptr) {
        vm.bytesRead += line.size();
        trimLine(line.data());
        if (line[0] == '\0' || line[0] == '#')
            continue;
        handleVmOptionLine(line.c_str(), vm, state);
    }
    vm.openFiles.pop_back();
}

void handleVmOptionLine(const char* line, VmOptions& vm, const LaunchState& state, Expansion expansion)
{
    if (!withinLimits(vm))
        return;
    static const struct {
        const char* prefix;
        std::optional<std::string> ClassPathOverrides::*target;  // null: an include
    } directives[] = {
        {"-include-options ", nullptr},
        {"-classpath ", &ClassPathOverrides::replace},
        {"-classpath/p ", &ClassPathOverrides::prepend},
        {"-classpath/a ", &ClassPathOverrides::append},
    };
    const char* value = line;
    std::optional<std::string> ClassPathOverrides::*target = nullptr;
    bool include = false;
    for (const auto& directive : directives) {
        if (startsWith(line, directive.prefix)) {
            value = line + std::strlen(directive.prefix);
            target = directive.target;
            include = directive.target == nullptr;
            break;
        }
    }
    BoundedText expanded(value);
    if (expansion == Expansion::Values)
        expandVariables(expanded, state);
    if (include)
        includeOptionsFile(expanded.c_str(), vm, state);
    else if (target != nullptr)
        vm.overrides.*target = std::string(expanded.c_str());
    else
        vm.options.emplace_back(expanded.c_str());
}
