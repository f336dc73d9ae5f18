#include "jvm/jvm_library.h"

#include <cstring>
#include <string>
#include <utility>

#include "diag/log.h"
#include "fs/paths.h"
#include "fs/platform.h"
#include "jvm/library_machine.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "payload/expand_variables.h"

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

LibraryHandle tryJvmDll(const char* binDirectory, const char* kind)
{
    char path[kTextBufferSize];
    formatBounded(path, sizeof path, "%s\\%s\\jvm.dll", binDirectory, kind);
    bool exists = fileExists(path);
    logInfo("Trying %s (exists %d)", path, exists ? 1 : 0);
    if (exists && !jvmLibraryFits(path))
        return LibraryHandle();  // never loaded: it cannot run in this process
    return loadLibraryFile(path);
}

LibraryHandle loadFromBinDirectory(const char* javaExecutable)
{
    std::string exe(javaExecutable);
    size_t cut = executableNameLength(exe) + 1;  // the name and the separator before it
    std::string binDirectory = exe.size() >= cut ? exe.substr(0, exe.size() - cut) : std::string();

    std::string oldPath;
    bool pathWasSet = readEnvironmentString("PATH", &oldPath);
    std::string newPath = pathWasSet ? oldPath + kPathListSeparator + binDirectory : binDirectory;
    // The DLL search no longer includes PATH: jvm.dll's dependencies in bin
    // (the C runtime of newer JDKs) are found through this directory.
    addDllSearchDirectory(binDirectory.c_str());
    bool extended = newPath.size() <= kMaxEnvironmentValue;
    if (extended)
        setPath(newPath.c_str());
    else
        logInfo("PATH would exceed %d characters; %s not added", static_cast<int>(kMaxEnvironmentValue),
                binDirectory.c_str());

    LibraryHandle library;
    char preferred[kVmKindCapacity];
    getString(cfg::kPreferredVmKind, preferred, sizeof preferred);
    if (preferred[0] != '\0')
        library = tryJvmDll(binDirectory.c_str(), preferred);
    if (!library) {
        for (const char* kind : kVmKinds) {
            library = tryJvmDll(binDirectory.c_str(), kind);
            if (library)
                break;
        }
        if (!library && extended)
            setPath(pathWasSet ? oldPath.c_str() : nullptr);
    }
    return library;
}

LibraryHandle loadJvmLibrary(const char* javaExecutable)
{
    LibraryHandle library = loadFromBinDirectory(javaExecutable);
    if (library)
        return library;
    // The runtime inside a JDK, when the executable was the JDK's own.
    std::string exe(javaExecutable);
    size_t nameLength = executableNameLength(exe);
    std::string retry = (exe.size() >= nameLength ? exe.substr(0, exe.size() - nameLength) : std::string()) +
                        "..\\jre\\bin\\java.exe";
    return loadFromBinDirectory(retry.c_str());
}

bool bindCreateJavaVM(LaunchState& state, LibraryHandle library)
{
    if (!library)
        return false;
    void* entry = librarySymbol(library, "JNI_CreateJavaVM");
    if (entry == nullptr)
        return false;
    state.createJavaVm = reinterpret_cast<CreateJavaVmFunction>(entry);
    library.release();  // the JVM's library is never unloaded
    return true;
}

bool loadJvmForExecutable(LaunchState& state, const char* javaExecutable)
{
    logInfo("Trying to load JVM-DLL from %s", javaExecutable);
    LibraryHandle library = loadJvmLibrary(javaExecutable);
    setRuntimeHome(state, javaExecutable);
    bool loaded = library.isOpen();
    if (!loaded)
        logError("Could not get DLL-Handle.");
    bool bound = bindCreateJavaVM(state, std::move(library));
    if (!bound)
        logError("Could not load functions");
    if (!loaded || !bound)
        return false;
    logInfo("Loading of JVM-DLL successful");
    return true;
}
