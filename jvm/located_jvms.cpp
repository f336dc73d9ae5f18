#include "jvm/located_jvms.h"

#include <cstring>
#include <string>

#include "diag/log.h"
#include "fs/text_buffer.h"
#include "jvm/java_check.h"
#include "jvm/registry_values.h"
#include "jvm/version_compare.h"

bool scanLocatedJvms(RegRoot root, char* javaExe, char* version, const char* minimum, const char* maximum)
{
    javaExe[0] = '\0';
    version[0] = '\0';
    RegKey key;
    if (!regOpenRead(root, kLocatedJvmsKey, &key))
        return false;
    bool found = false;
    std::string candidate(kTextBufferSize, '\0');
    std::string candidateVersion(kTextBufferSize, '\0');
    for (uint32_t index = 0;; ++index) {
        RegEnum status = regEnumSubKey(key, index, candidate.data(), kTextBufferSize);
        if (status == RegEnum::NoMore)
            break;
        if (status == RegEnum::TooLong)
            continue;
        if (status == RegEnum::Failed) {
            logInfo("Could not enumerate the located JVMs beyond entry %u", index);
            break;
        }
        pathFromRegistryName(candidate.data());
        if (checkJavaExe(candidate.data(), candidateVersion.data(), minimum, maximum, true) &&
            compareVersions(candidateVersion.c_str(), version) > 0) {
            copyBounded(javaExe, kTextBufferSize, candidate.c_str());
            copyBounded(version, kTextBufferSize, candidateVersion.c_str());
            found = true;
        }
    }
    return found;
}

bool findLocatedJvm(char* javaExe, char* version, const char* minimum, const char* maximum)
{
    std::string userExe(kTextBufferSize, '\0');
    std::string userVersion(kTextBufferSize, '\0');
    std::string machineExe(kTextBufferSize, '\0');
    std::string machineVersion(kTextBufferSize, '\0');
    bool user = scanLocatedJvms(RegRoot::CurrentUser, userExe.data(), userVersion.data(), minimum, maximum);
    bool machine = scanLocatedJvms(RegRoot::LocalMachine, machineExe.data(), machineVersion.data(), minimum, maximum);
    if (!user && !machine)
        return false;
    bool takeUser = user && (!machine || compareVersions(userVersion.c_str(), machineVersion.c_str()) > 0);
    copyBounded(javaExe, kTextBufferSize, takeUser ? userExe.c_str() : machineExe.c_str());
    copyBounded(version, kTextBufferSize, takeUser ? userVersion.c_str() : machineVersion.c_str());
    return true;
}

void registerLocatedJvm(const char* javaExe)
{
    char keyPath[kTextBufferSize];
    if (!registryKeyFor(kLocatedJvmsKey, javaExe, keyPath, sizeof keyPath))
        return;
    // Creating the key is all: it is closed again at once.
    RegKey key;
    if (!regCreate(RegRoot::LocalMachine, keyPath, &key))
        regCreate(RegRoot::CurrentUser, keyPath, &key);
}
