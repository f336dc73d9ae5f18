#include "jvm/registry_jvms.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "diag/log.h"
#include "fs/registry.h"
#include "fs/text_buffer.h"
#include "jvm/java_check.h"
#include "jvm/located_jvms.h"
#include "jvm/registry_values.h"
#include "jvm/version_compare.h"
#include "jvm/version_rules.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

const char* const kJavaSoftJreKey = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
const char* const kJavaSoftJdkKey = "SOFTWARE\\JavaSoft\\Java Development Kit";

namespace {
constexpr size_t kCurrentVersionCapacity = 100;  // a longer value counts as unreadable

// "CurrentVersion" of keyPath when it lies in range, else "".
void currentVersionInRange(const char* keyPath, char* version, const char* minimum, const char* maximum)
{
    if (!readRegistryString(RegRoot::LocalMachine, keyPath, "CurrentVersion", version, kCurrentVersionCapacity) ||
        !isKeyVersionInRange(version, minimum, maximum))
        version[0] = '\0';
}

// The runtime whose home is the "JavaHome" value of keyPath, judged without
// pre-release runtimes.
bool checkJavaHomeValue(const char* keyPath, char* javaExe, char* version, const char* minimum,
                        const char* maximum)
{
    char home[kTextBufferSize];
    if (!readRegistryString(RegRoot::LocalMachine, keyPath, "JavaHome", home, sizeof home))
        return false;
    if (!javaExeForHome(home, javaExe))
        return false;
    return checkJavaExe(javaExe, version, minimum, maximum, false);
}
} // namespace

bool findCurrentVersionJvm(char* javaExe, char* version, const char* minimum, const char* maximum)
{
    char jdkVersion[kCurrentVersionCapacity];
    char jreVersion[kCurrentVersionCapacity] = "";
    currentVersionInRange(kJavaSoftJdkKey, jdkVersion, minimum, maximum);
    if (getInt(cfg::kRequireJdk) == 0)
        currentVersionInRange(kJavaSoftJreKey, jreVersion, minimum, maximum);

    bool useJdk = compareVersions(jdkVersion, jreVersion) > 0;
    const char* keyPath = useJdk ? kJavaSoftJdkKey : kJavaSoftJreKey;
    const char* chosen = useJdk ? jdkVersion : jreVersion;
    char key[kTextBufferSize];
    if (chosen[0] == '\0')
        copyBounded(key, sizeof key, keyPath);
    else
        formatBounded(key, sizeof key, "%s\\%s", keyPath, chosen);
    return checkJavaHomeValue(key, javaExe, version, minimum, maximum);
}

bool findEnumeratedJvm(char* javaExe, char* version, const char* minimum, const char* maximum,
                       const char* keyPath)
{
    std::vector<std::string> names;
    if (!subKeyNames(RegRoot::LocalMachine, keyPath, &names))
        return false;
    names.erase(std::remove_if(names.begin(), names.end(),
                               [&](const std::string& name) {
                                   return !isKeyVersionInRange(name.c_str(), minimum, maximum);
                               }),
                names.end());

    // Highest version first; names of equal versions keep their byte order.
    std::sort(names.begin(), names.end());
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return compareVersions(a.c_str(), b.c_str()) < 0; });
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        char subKey[kTextBufferSize];
        if (formatBounded(subKey, sizeof subKey, "%s\\%s", keyPath, it->c_str()) &&
            checkJavaHomeValue(subKey, javaExe, version, minimum, maximum))
            return true;
    }
    return false;
}

bool findJavaSoftJvm(char* javaExe, char* version, const char* minimum, const char* maximum)
{
    if (findCurrentVersionJvm(javaExe, version, minimum, maximum))
        return true;
    if (getInt(cfg::kRequireJdk) == 0 && findEnumeratedJvm(javaExe, version, minimum, maximum, kJavaSoftJreKey))
        return true;
    return findEnumeratedJvm(javaExe, version, minimum, maximum, kJavaSoftJdkKey);
}

bool findRegisteredJvm(char* javaExe, const char* minimum, const char* maximum)
{
    std::string javaSoftExe(kTextBufferSize, '\0');
    std::string javaSoftVersion(kTextBufferSize, '\0');
    std::string locatedExe(kTextBufferSize, '\0');
    std::string locatedVersion(kTextBufferSize, '\0');
    bool javaSoft = findJavaSoftJvm(javaSoftExe.data(), javaSoftVersion.data(), minimum, maximum);
    bool located = findLocatedJvm(locatedExe.data(), locatedVersion.data(), minimum, maximum);
    if (javaSoft)
        logInfo("found sun %s %s", javaSoftExe.c_str(), javaSoftVersion.c_str());
    if (located)
        logInfo("found located %s %s", locatedExe.c_str(), locatedVersion.c_str());
    if (!javaSoft && !located)
        return false;
    bool takeJavaSoft = javaSoft && (!located || compareVersions(javaSoftVersion.c_str(), locatedVersion.c_str()) > 0);
    copyBounded(javaExe, kTextBufferSize, takeJavaSoft ? javaSoftExe.c_str() : locatedExe.c_str());
    return true;
}
