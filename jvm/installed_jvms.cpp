#include "jvm/installed_jvms.h"

#include <set>
#include <string>
#include <vector>

#include "diag/log.h"
#include "fs/paths.h"
#include "fs/platform.h"
#include "fs/registry.h"
#include "fs/text_buffer.h"
#include "jvm/java_check.h"
#include "jvm/registry_values.h"
#include "jvm/version_compare.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

namespace {
// Java 9 and later: CurrentVersion names a sub-key, each sub-key has JavaHome.
const char* const kJavaSoftModernKeys[] = {"SOFTWARE\\JavaSoft\\JDK", "SOFTWARE\\JavaSoft\\JRE"};

enum class Layout {
    Msi,     // <version>\<jvm>\MSI or <version>\MSI, value "Path" (the Adoptium installer and its kin)
    Direct,  // <name>, the value right there
};

struct VendorKey {
    const char* path;
    Layout layout;
    const char* value;
};

const VendorKey kVendorKeys[] = {
    {"SOFTWARE\\Eclipse Adoptium\\JDK", Layout::Msi, "Path"},
    {"SOFTWARE\\Eclipse Adoptium\\JRE", Layout::Msi, "Path"},
    {"SOFTWARE\\Eclipse Foundation\\JDK", Layout::Msi, "Path"},
    {"SOFTWARE\\Eclipse Foundation\\JRE", Layout::Msi, "Path"},
    {"SOFTWARE\\AdoptOpenJDK\\JDK", Layout::Msi, "Path"},
    {"SOFTWARE\\AdoptOpenJDK\\JRE", Layout::Msi, "Path"},
    {"SOFTWARE\\Microsoft\\JDK", Layout::Msi, "Path"},
    {"SOFTWARE\\Semeru\\JDK", Layout::Msi, "Path"},
    {"SOFTWARE\\Semeru\\JRE", Layout::Msi, "Path"},
    {"SOFTWARE\\Azul Systems\\Zulu", Layout::Direct, "InstallationPath"},
    {"SOFTWARE\\BellSoft\\Liberica", Layout::Direct, "InstallationPath"},
    {"SOFTWARE\\SapMachine\\JDK", Layout::Direct, "JavaHome"},
    {"SOFTWARE\\SapMachine\\JRE", Layout::Direct, "JavaHome"},
};

// Folders under Program Files whose sub-folders are runtime homes.
const char* const kVendorFolders[] = {
    "Java",       "Eclipse Adoptium", "Eclipse Foundation", "AdoptOpenJDK",    "Microsoft",       "Semeru",
    "Zulu",       "BellSoft",         "Amazon Corretto",    "SapMachine\\JDK", "SapMachine\\JRE",
};

struct Search {
    const char* minimum;
    const char* maximum;
    std::set<std::string> seen;  // full lower-cased executables already judged
    std::string bestExe;
    std::string bestVersion;
};

// The executable of an installed home. When a JDK is required, a home of Java 9
// or later counts by its bin\javac.exe (it has no lib\tools.jar any more).
bool installedJavaExe(const std::string& home, char* javaExe)
{
    if (getInt(cfg::kRequireJdk) != 0) {
        std::string javac = home + "\\bin\\javac.exe";
        if (fileExists(javac.c_str()))
            return formatBounded(javaExe, kTextBufferSize, "%s\\bin\\java.exe", home.c_str());
    }
    return javaExeForHome(home.c_str(), javaExe);
}

void consider(Search& search, std::string home, const char* source)
{
    while (home.size() > 3 && (home.back() == '\\' || home.back() == '/'))
        home.pop_back();  // installers write "C:\...\jdk-17\"
    char javaExe[kTextBufferSize];
    if (home.empty() || !installedJavaExe(home, javaExe)) {
        logInfo("Installed runtime %s (%s) passed over: no usable home", home.c_str(), source);
        return;
    }
    char full[kTextBufferSize];
    getFullPath(full, javaExe, false);
    if (!search.seen.insert(full).second)
        return;  // the same runtime through another source
    logInfo("Installed runtime %s (%s)", home.c_str(), source);
    char version[kTextBufferSize];
    if (!checkJavaExe(javaExe, version, search.minimum, search.maximum, false)) {
        logInfo("Installed runtime %s passed over: not usable", javaExe);
        return;
    }
    if (!search.bestExe.empty() && compareVersions(version, search.bestVersion.c_str()) <= 0) {
        logInfo("Installed runtime %s %s passed over: %s is not lower", javaExe, version, search.bestVersion.c_str());
        return;
    }
    logInfo("Installed runtime %s %s is the best so far", javaExe, version);
    search.bestExe = javaExe;
    search.bestVersion = version;
}

// A string value as the runtime's home; nothing when it is missing or no string.
void considerValue(Search& search, RegRoot root, const std::string& key, const char* value, const char* source)
{
    char home[kTextBufferSize];
    if (readRegistryString(root, key.c_str(), value, home, sizeof home))
        consider(search, home, source);
}

void javaSoftModern(Search& search)
{
    for (const char* path : kJavaSoftModernKeys) {
        char current[kTextBufferSize];
        if (readRegistryString(RegRoot::LocalMachine, path, "CurrentVersion", current, sizeof current))
            considerValue(search, RegRoot::LocalMachine, std::string(path) + "\\" + current, "JavaHome", path);
        std::vector<std::string> versions;
        subKeyNames(RegRoot::LocalMachine, path, &versions);
        for (const std::string& name : versions)
            considerValue(search, RegRoot::LocalMachine, std::string(path) + "\\" + name, "JavaHome", path);
    }
}

void vendorKey(Search& search, RegRoot root, const VendorKey& vendor)
{
    std::vector<std::string> names;
    if (!subKeyNames(root, vendor.path, &names))
        return;
    const char* source = vendor.path;
    for (const std::string& name : names) {
        std::string key = std::string(vendor.path) + "\\" + name;
        if (vendor.layout == Layout::Direct) {
            considerValue(search, root, key, vendor.value, source);
            continue;
        }
        considerValue(search, root, key + "\\MSI", vendor.value, source);  // the oldest installers
        std::vector<std::string> jvms;  // hotspot, openj9
        subKeyNames(root, key.c_str(), &jvms);
        for (const std::string& jvm : jvms)
            considerValue(search, root, key + "\\" + jvm + "\\MSI", vendor.value, source);
    }
}

// The 64-bit Program Files: a 64-bit process has it as ProgramFiles too.
std::string programFiles()
{
    std::string directory;
    if (!readEnvironmentString("ProgramW6432", &directory) || directory.empty())
        readEnvironmentString("ProgramFiles", &directory);
    return directory;
}

void vendorFolders(Search& search)
{
    std::string base = programFiles();
    if (base.empty())
        return;
    for (const char* folder : kVendorFolders) {
        std::string parent = base + "\\" + folder;
        std::vector<DirEntry> entries;
        if (!findEntries((parent + "\\*").c_str(), &entries))
            continue;
        for (const DirEntry& entry : entries) {
            std::string home = parent + "\\" + entry.name;
            if (entry.isDirectory && entry.name != "." && entry.name != ".." &&
                fileExists((home + "\\bin\\java.exe").c_str()))
                consider(search, home, parent.c_str());
        }
    }
}
} // namespace

bool findInstalledJvm(char* javaExe, const char* minimum, const char* maximum)
{
    Search search{minimum, maximum, {}, {}, {}};
    javaSoftModern(search);
    for (RegRoot root : {RegRoot::LocalMachine, RegRoot::CurrentUser}) {
        for (const VendorKey& vendor : kVendorKeys)
            vendorKey(search, root, vendor);
    }
    vendorFolders(search);
    if (search.bestExe.empty()) {
        logInfo("No installed runtime found");
        return false;
    }
    logInfo("Installed runtime chosen: %s %s", search.bestExe.c_str(), search.bestVersion.c_str());
    return copyBounded(javaExe, kTextBufferSize, search.bestExe.c_str());
}
