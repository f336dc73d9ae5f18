#include "jvm/jvm_search.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "diag/log.h"
#include "fs/paths.h"
#include "fs/platform.h"
#include "fs/text_buffer.h"
#include "jvm/installed_jvms.h"
#include "jvm/java_check.h"
#include "jvm/jvm_platform.h"
#include "jvm/pack200.h"
#include "jvm/registry_jvms.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "payload/expand_variables.h"
#include "payload/temp_dir.h"

const char* const kPreferredLocationFile = "pref_jre.cfg";
const char* const kInstallerLocationFile = "inst_jre.cfg";

namespace {
// The configured version limits (held on the heap: the search runs deep).
struct Limits {
    std::string minimum;
    std::string maximum;
};

std::string readSetting(int id)
{
    std::string value(kTextBufferSize, '\0');
    getString(id, value.data(), value.size());
    value.resize(std::strlen(value.c_str()));
    return value;
}

Limits readLimits()
{
    return Limits{readSetting(cfg::kMinVersion), readSetting(cfg::kMaxVersion)};
}

// Calls visit(letter, text) for each entry of the search sequence until it returns
// true. ";" separates entries; runs of it count as one.
template <typename Visit>
bool forEachEntry(const std::string& sequence, Visit visit)
{
    for (const std::string& entry : splitList(sequence.c_str())) {
        if (visit(entry[0], entry.c_str() + 1))
            return true;
    }
    return false;
}

// A location file's directory: accepted with version rules, as the search's first
// or third step.
bool tryLocationFile(const char* fileName, const char* label, char* javaExe, char* foundLocation,
                     const Limits& limits)
{
    char line[kTextBufferSize];
    if (!readLocationFile(line, fileName))
        return false;
    logInfo("Has %s location %s", label, line);
    if (!checkJavaHomeDirectory(javaExe, line, limits.minimum.c_str(), limits.maximum.c_str(), false))
        return false;
    logInfo("Using %s location", label);
    copyBounded(foundLocation, kTextBufferSize, line);
    return true;
}

JvmSource testEntry(char letter, const char* text, char* javaExe, const Limits& limits)
{
    const char* minimum = limits.minimum.c_str();
    const char* maximum = limits.maximum.c_str();
    switch (letter) {
    case 'A':
    case 'R':
    case 'B':
        if (checkJavaHomeDirectory(javaExe, text, minimum, maximum, false))
            return JvmSource::Directory;
        break;
    case 'E':
        if (checkJavaHomeVariable(javaExe, text, minimum, maximum))
            return JvmSource::Environment;
        break;
    case 'S':
        if (checkSearchPath(javaExe, minimum, maximum))
            return JvmSource::SearchPath;
        break;
    case 'Y':
        if (findRegisteredJvm(javaExe, minimum, maximum))
            return JvmSource::Registry;
        break;
    case 'M':
        if (findInstalledJvm(javaExe, minimum, maximum))
            return JvmSource::Registry;
        break;
    default:
        break;  // not a known type: skipped
    }
    return JvmSource::None;
}

JvmSource mainPass(const LaunchState& state, const std::string& sequence, char* javaExe, char* foundLocation,
                   const Limits& limits)
{
    JvmSource source = JvmSource::None;
    forEachEntry(sequence, [&](char letter, const char* text) {
        BoundedText expanded(text);
        expandVariables(expanded, state);
        logInfo("Testing location %s (type %c)", expanded.c_str(), letter);
        source = testEntry(letter, expanded.c_str(), javaExe, limits);
        if (source == JvmSource::None)
            return false;
        copyBounded(foundLocation, kTextBufferSize, source == JvmSource::Registry ? "" : expanded.c_str());
        return true;
    });
    return source;
}

// A drive letter or a UNC prefix, as written in the configuration.
bool isAbsoluteEntryText(const char* text)
{
    return std::strlen(text) > 1 && (text[1] == ':' || (text[0] == '\\' && text[1] == '\\'));
}

// The directories of the sequence as written, accepted when their executable
// exists: relative ones (A, R, B) and absolute ones of type B.
bool finalPass(const std::string& sequence, char* javaExe, char* foundLocation, const Limits& limits)
{
    return forEachEntry(sequence, [&](char letter, const char* text) {
        if (letter != 'A' && letter != 'B' && letter != 'R')
            return false;
        if (isAbsoluteEntryText(text) && letter != 'B')
            return false;
        logInfo("Testing relative location %s", text);
        checkJavaHomeDirectory(javaExe, text, limits.minimum.c_str(), limits.maximum.c_str(), true);
        if (!fileExists(javaExe))
            return false;
        logInfo("%s exists", javaExe);
        copyBounded(foundLocation, kTextBufferSize, text);
        return true;
    });
}
} // namespace

bool readLocationFile(char* line, const char* fileName)
{
    line[0] = '\0';
    char directory[kTextBufferSize];
    getString(cfg::kQuillmereDirectory, directory, sizeof directory);
    char full[kTextBufferSize];
    getFullPath(full, directory, true);
    char folder[kTextBufferSize];
    char path[kTextBufferSize];
    if (!joinPath(folder, sizeof folder, full, ".quillmere") || !joinPath(path, sizeof path, folder, fileName))
        return false;
    TextFile file = openTextFile(path);
    if (!file)
        return false;
    bool read = std::fgets(line, static_cast<int>(kTextBufferSize), file.get()) != nullptr;
    size_t length = read ? std::strlen(line) : 0;
    // A first line longer than the buffer would give a cut, wrong directory.
    bool whole = length == 0 || line[length - 1] == '\n' || std::feof(file.get());
    if (!read || length == 0)
        return false;
    if (!whole) {
        logInfo("First line of %s is too long", path);
        line[0] = '\0';
        return false;
    }
    while (length > 0 && (line[length - 1] == '\r' || line[length - 1] == '\n'))
        line[--length] = '\0';
    return true;
}

bool checkJavaHomeDirectory(char* javaExe, const char* directory, const char* minimum, const char* maximum,
                            bool skipVersionCheck)
{
    char home[kTextBufferSize];
    getFullPath(home, directory, false);
    unpackJre(home);
    bool derived = javaExeForHome(home, javaExe);
    if (skipVersionCheck)
        return true;
    return derived && verifyJavaExe(javaExe, minimum, maximum, true, true);
}

bool checkJavaHomeVariable(char* javaExe, const char* variable, const char* minimum, const char* maximum)
{
    char home[kTextBufferSize];
    if (!readEnvironment(variable, home, sizeof home) || home[0] == '\0')
        return false;
    for (char* p = home; *p != '\0'; ++p) {
        if (*p == '/')
            *p = '\\';
    }
    if (!javaExeForHome(home, javaExe))
        return false;
    return verifyJavaExe(javaExe, minimum, maximum, false, true);
}

bool findOnPath(const char* fileName, char* out)
{
    std::string path;
    if (!readEnvironmentString("PATH", &path))
        return false;
    for (std::string entry : splitList(path.c_str(), kPathListSeparator[0])) {
        if (entry.size() >= 2 && entry.front() == '"' && entry.back() == '"')
            entry = entry.substr(1, entry.size() - 2);
        if (entry.empty() || isRelativePath(entry.c_str())) {
            logInfo("Not searching relative PATH entry %s", entry.c_str());
            continue;
        }
        if (joinPath(out, kTextBufferSize, entry.c_str(), fileName) && fileExists(out))
            return true;
    }
    out[0] = '\0';
    return false;
}

bool checkSearchPath(char* javaExe, const char* minimum, const char* maximum)
{
    if (!findOnPath("java.exe", javaExe))
        return false;
    return verifyJavaExe(javaExe, minimum, maximum, false, true);
}

JvmSource searchJvm(const LaunchState& state, BoundedText& javaExeText, BoundedText& foundLocationText)
{
    logInfo("Searching for a JVM");
    // The steps below fill buffers of 8192 bytes.
    javaExeText = BoundedText(kTextBufferSize);
    foundLocationText = BoundedText(kTextBufferSize);
    char* javaExe = javaExeText.data();
    char* foundLocation = foundLocationText.data();
    std::string sequence = readSetting(cfg::kSearchSequence);
    Limits limits = readLimits();

    if (tryLocationFile(kPreferredLocationFile, "preferred", javaExe, foundLocation, limits))
        return JvmSource::Directory;
    JvmSource source = mainPass(state, sequence, javaExe, foundLocation, limits);
    if (source != JvmSource::None)
        return source;
    if (tryLocationFile(kInstallerLocationFile, "installer", javaExe, foundLocation, limits))
        return JvmSource::Directory;
    if (finalPass(sequence, javaExe, foundLocation, limits))
        return JvmSource::Directory;
    logInfo("Search sequence finished");
    for (const char* variable : {"KVELL_JAVA_HOME", "QUILLMERE_JAVA_HOME"}) {
        if (checkJavaHomeVariable(javaExe, variable, limits.minimum.c_str(), limits.maximum.c_str())) {
            copyBounded(foundLocation, kTextBufferSize, variable);
            return JvmSource::Environment;
        }
    }
    javaExe[0] = '\0';
    return JvmSource::None;
}
