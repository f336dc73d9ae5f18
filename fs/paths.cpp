#include "fs/paths.h"

#include <cstring>

#include "fs/path_caches.h"

PathCaches& pathCaches()
{
    static PathCaches caches;
    return caches;
}

namespace {

// Converts to UTF-16 with the file-API code page, transforms, converts back; the
// path changes only when the way back needed no default character.
void utf16Pass(char* path, void (*transform)(WideString&))
{
    WideString text = wideFromFileCodePage(path);
    if (text.empty())
        return;
    transform(text);
    char scratch[kTextBufferSize];
    bool usedDefault = false;
    if (fromWideFileCodePage(text.c_str(), scratch, static_cast<int>(sizeof scratch), &usedDefault) == 0)
        return;
    if (!usedDefault)
        copyBounded(path, kTextBufferSize, scratch);
}

const char* launcherDirectory()
{
    PathCaches& caches = pathCaches();
    if (!caches.launcherDirFilled) {
        size_t filePart = 0;
        if (fullPathName(getLauncherPath(), caches.launcherDir, sizeof caches.launcherDir, &filePart) != 0)
            caches.launcherDir[filePart] = '\0';
        caches.launcherDirFilled = true;
    }
    return caches.launcherDir;
}

} // namespace

void collapseBackslashRuns(WideString& path)
{
    if (path.empty())
        return;
    WideString out(1, path[0]);
    for (size_t i = 1; i < path.size(); ++i) {
        if (path[i] == '\\' && out.back() == '\\' && out.size() - 1 >= 1)
            continue;
        out.push_back(path[i]);
    }
    path = out;
}

void lowerCaseAsciiLetters(WideString& path)
{
    for (auto& c : path) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<WideChar>(c - 'A' + 'a');
    }
}

void collapseBackslashes(char* path)
{
    utf16Pass(path, collapseBackslashRuns);
}

void lowerCasePath(char* path)
{
    utf16Pass(path, lowerCaseAsciiLetters);
}

bool findFile(const char* path, FileStamp* lastWrite)
{
    return findFirstEntry(path, lastWrite);
}

bool fileExists(const char* path)
{
    size_t len = std::strlen(path);
    if (len >= 2) {
        const char* rest = path + 1;
        if (std::strcmp(rest, ":\\") == 0 || std::strcmp(rest, ":\\.") == 0 || std::strcmp(rest, ":\\.\\.") == 0)
            return true;
    }
    return findFile(path, nullptr);
}

bool isRelativePath(const char* path)
{
    if (kPathSeparator == '/' && path[0] == '/')
        return false;  // the host's own absolute paths
    size_t len = std::strlen(path);
    if (len < 3)
        return true;
    const char* p = path;
    if (p[0] == '"') {
        if (len < 4)
            return true;
        ++p;
    }
    if (p[1] == ':' && p[2] == '\\')
        return false;
    if (p[0] == '\\' && p[1] == '\\')
        return false;
    return true;
}

const char* getLauncherPath()
{
    PathCaches& caches = pathCaches();
    if (!caches.launcherPathFilled) {
        launcherPathFromSystem(caches.launcherPath, sizeof caches.launcherPath);
        collapseBackslashes(caches.launcherPath);
        caches.launcherPathFilled = true;
    }
    return caches.launcherPath;
}

void resolveFromLauncherDir(char* dest, const char* path, size_t cap)
{
    dest[0] = '\0';
    if (isRelativePath(path))
        copyBounded(dest, cap, launcherDirectory());
    appendBounded(dest, cap, path);
    collapseBackslashes(dest);  // never lengthens the text
}

void getFullPath(char* dest, const char* path, bool keepCase)
{
    char scratch[kTextBufferSize];
    resolveFromLauncherDir(scratch, path);
    if (fullPathName(scratch, dest, kTextBufferSize, nullptr) == 0)
        dest[0] = '\0';
    if (!keepCase)
        lowerCasePath(dest);
    collapseBackslashes(dest);
}

void resolvePathList(char* dest, const char* list, size_t cap)
{
    dest[0] = '\0';
    char copy[kTextBufferSize];
    copyBounded(copy, sizeof copy, list);
    bool first = true;
    for (const std::string& item : splitList(copy)) {
        char resolved[kTextBufferSize];
        resolveFromLauncherDir(resolved, item.c_str());
        if (!first)
            appendBounded(dest, cap, kPathListSeparator);
        appendBounded(dest, cap, resolved);
        first = false;
    }
}
