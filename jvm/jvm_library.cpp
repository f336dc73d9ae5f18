#include "jvm/jvm_library.h"

#include <cstring>
#include <string>

#include "diag/log.h"
#include "fs/paths.h"
#include "fs/platform.h"
#include "launch/expand_variables.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

CreateJavaVmFunction createJavaVmEntry = nullptr;

const char* const kVmKinds[5] = {"hotspot", "client", "server", "classic", "jrockit"};

namespace {
constexpr size_t kMaxEnvironmentValue = 32767;  // Windows' limit for one variable
constexpr size_t kVmKindCapacity = 200;

// A path ending in "javaw.exe" (exact case) names javaw.exe, anything else java.exe.
size_t executableNameLength(const std::string& path)
{
    const std::string javaw = "javaw.exe";
    bool isJavaw = path.size() >= javaw.size() && path.compare(path.size() - javaw.size(), javaw.size(), javaw) == 0;
    return isJavaw ? 9 : 8;
}

void setPath(const char* value)
{
    if (setEnvironmentValue("PATH", value))
        logInfo("Setting PATH %s", value != nullptr ? value : "");
    else
        logInfo("Setting PATH %s failed with error %d", value != nullptr ? value : "",
                static_cast<int>(lastSystemError()));
    putRuntimeEnvironment("PATH", value);
}
} // namespace

void* tryJvmDll(const char* binDirectory, const char* kind)
{
    char path[kTextBufferSize];
    formatBounded(path, sizeof path, "%s\\%s\\jvm.dll", binDirectory, kind);
    logInfo("Trying %s (exists %d)", path, fileExists(path) ? 1 : 0);
    return loadLibraryFile(path);
}

void* loadFromBinDirectory(const char* javaExecutable)
{
    std::string exe(javaExecutable);
    size_t cut = executableNameLength(exe) + 1;  // the name and the separator before it
    std::string binDirectory = exe.size() >= cut ? exe.substr(0, exe.size() - cut) : std::string();

    std::string oldPath;
    bool pathWasSet = readEnvironmentString("PATH", &oldPath);
    std::string newPath = pathWasSet ? oldPath + kPathListSeparator + binDirectory : binDirectory;
    bool extended = newPath.size() <= kMaxEnvironmentValue;
    if (extended)
        setPath(newPath.c_str());
    else
        logInfo("PATH would exceed %d characters; %s not added", static_cast<int>(kMaxEnvironmentValue),
                binDirectory.c_str());

    void* library = nullptr;
    char preferred[kVmKindCapacity];
    getString(cfg::kPreferredVmKind, preferred, sizeof preferred);
    if (preferred[0] != '\0')
        library = tryJvmDll(binDirectory.c_str(), preferred);
    if (library == nullptr) {
        for (const char* kind : kVmKinds) {
            library = tryJvmDll(binDirectory.c_str(), kind);
            if (library != nullptr)
                break;
        }
        if (library == nullptr && extended)
            setPath(pathWasSet ? oldPath.c_str() : nullptr);
    }
    return library;
}

void* loadJvmLibrary(const char* javaExecutable)
{
    void* library = loadFromBinDirectory(javaExecutable);
    if (library != nullptr)
        return library;
    // The runtime inside a JDK, when the executable was the JDK's own.
    std::string exe(javaExecutable);
    size_t nameLength = executableNameLength(exe);
    std::string retry = (exe.size() >= nameLength ? exe.substr(0, exe.size() - nameLength) : std::string()) +
                        "..\\jre\\bin\\java.exe";
    return loadFromBinDirectory(retry.c_str());
}

bool bindCreateJavaVM(void* library)
{
    if (library == nullptr)
        return false;
    void* entry = librarySymbol(library, "JNI_CreateJavaVM");
    if (entry == nullptr)
        return false;
    createJavaVmEntry = reinterpret_cast<CreateJavaVmFunction>(entry);
    return true;
}

bool loadJvmForExecutable(const char* javaExecutable)
{
    logInfo("Trying to load JVM-DLL from %s", javaExecutable);
    void* library = loadJvmLibrary(javaExecutable);
    setRuntimeHome(javaExecutable);
    if (library == nullptr)
        logError("Could not get DLL-Handle.");
    bool bound = bindCreateJavaVM(library);
    if (!bound)
        logError("Could not load functions");
    if (library == nullptr || !bound)
        return false;
    logInfo("Loading of JVM-DLL successful");
    return true;
}
