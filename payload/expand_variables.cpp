#include "payload/expand_variables.h"

#include <cstring>

#include "diag/log.h"
#include "fs/paths.h"
#include "fs/platform.h"

void setRuntimeHome(LaunchState& state, const char* javaExecutable)
{
    BoundedText& home = state.runtimeHome;
    home.assign(javaExecutable);
    size_t len = home.size();
    const char* javaw = "javaw.exe";
    size_t cut = len >= 9 && std::strcmp(home.c_str() + len - 9, javaw) == 0 ? 9 : 8;
    home.truncate(len >= cut ? len - cut : 0);
    home.append("..");
}

void replaceAll(BoundedText& buffer, const char* pattern, const char* value)
{
    size_t patternLen = std::strlen(pattern);
    size_t valueLen = std::strlen(value);
    if (patternLen == 0)
        return;
    char* text = buffer.data();
    char* at = std::strstr(text, pattern);
    while (at != nullptr) {
        size_t textLen = std::strlen(text);
        if (textLen - patternLen + valueLen >= buffer.capacity()) {
            logInfo("not expanding %s: the text would exceed %d bytes: %s", pattern,
                    static_cast<int>(buffer.capacity()), text);
            at = std::strstr(at + patternLen, pattern);
            continue;
        }
        size_t tailLen = std::strlen(at + patternLen);
        std::memmove(at + valueLen, at + patternLen, tailLen + 1);
        std::memcpy(at, value, valueLen);
        logInfo("expanding %s to %s in %s.", pattern, value, text);
        at = std::strstr(at + valueLen, pattern);
    }
}

namespace {

void upperCaseAscii(char* text)
{
    for (; *text != '\0'; ++text) {
        if (*text >= 'a' && *text <= 'z')
            *text = static_cast<char>(*text - 'a' + 'A');
    }
}

void expandEnvironment(BoundedText& text)
{
    for (const std::string& entry : environmentEntries()) {
        char copy[kTextBufferSize];
        copyBounded(copy, sizeof copy, entry.c_str());
        char* equals = std::strchr(copy, '=');
        if (equals == nullptr)
            continue;
        *equals = '\0';
        const char* value = equals + 1;
        char pattern[kTextBufferSize];
        if (!formatBounded(pattern, sizeof pattern, "${%s}", copy))
            continue;
        replaceAll(text, pattern, value);
        char upper[kTextBufferSize];
        copyBounded(upper, sizeof upper, pattern);
        upperCaseAscii(upper);
        // A name stored in upper case is done: a second pass would expand the
        // pattern again inside the value just inserted.
        if (std::strcmp(upper, pattern) != 0)
            replaceAll(text, upper, value);
    }
}

} // namespace

void expandVariables(BoundedText& text, const LaunchState& state)
{
    // Cheap exit: every placeholder has a "%" or a "${".
    if (std::strchr(text.c_str(), '%') == nullptr && std::strstr(text.c_str(), "${") == nullptr)
        return;
    const char* extractionDir = state.extractionDir.c_str();
    const char* runtimeHome = state.runtimeHome.c_str();
    char exeDir[kTextBufferSize];
    resolveFromLauncherDir(exeDir, "");
    struct Row {
        const char* pattern;
        const char* value;
    };
    const Row rows[] = {
        {"%KVELL_EXEDIR%", exeDir},
        {"%QUILLMERE_EXEDIR%", exeDir},
        {"%KVELL_TEMPDIR%", extractionDir},
        {"%QUILLMERE_TEMPDIR%", extractionDir},
        {"%KVELL_PATHLIST_SEPARATOR%", kPathListSeparator},
        {"%QUILLMERE_PATHLIST_SEPARATOR%", kPathListSeparator},
        {"%KVELL_JVM_HOME%", runtimeHome},
        {"%QUILLMERE_JVM_HOME%", runtimeHome},
        {"${KVELL_EXEDIR}", exeDir},
        {"${QUILLMERE_EXEDIR}", exeDir},
        {"${KVELL_TEMPDIR}", extractionDir},
        {"${QUILLMERE_TEMPDIR}", extractionDir},
        {"${KVELL_PATHLIST_SEPARATOR}", kPathListSeparator},
        {"${QUILLMERE_PATHLIST_SEPARATOR}", kPathListSeparator},
        {"${KVELL_JVM_HOME}", runtimeHome},
        {"${QUILLMERE_JVM_HOME}", runtimeHome},
        {"${launcher:sys.launcherDirectory}", exeDir},
        {"${launcher:sys.launcherTempDirectory}", extractionDir},
        {"${launcher:sys.pathlistSeparator}", kPathListSeparator},
        {"${launcher:sys.jvmHome}", runtimeHome},
    };
    for (const Row& row : rows)
        replaceAll(text, row.pattern, row.value);
    expandEnvironment(text);
}
