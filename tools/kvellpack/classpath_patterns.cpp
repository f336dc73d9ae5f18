#include "classpath_patterns.h"

#include <filesystem>

#include "file_patterns.h"

namespace fs = std::filesystem;

namespace kvellpack {

namespace {

bool fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

std::string sameFileKey(const std::string& path)
{
    std::error_code ec;
    fs::path canonical = fs::weakly_canonical(fs::path(path), ec);
    return ec ? fs::absolute(fs::path(path), ec).lexically_normal().string() : canonical.string();
}

// The included file that is this file, or nullptr.
const IncludedFile* includedAs(const std::vector<IncludedFile>& files, const std::string& path)
{
    std::string key = sameFileKey(path);
    for (const IncludedFile& file : files) {
        if (sameFileKey(file.path) == key)
            return &file;
    }
    return nullptr;
}

bool checkPattern(const std::string& entry, std::string* error)
{
    std::string value = entry.substr(2);
    std::string quoted = "class path entry '" + entry + "'";
    if (entry[0] != 'A' && entry[0] != 'D')
        return fail(error, quoted + " has a wildcard, which only A and D entries take");
    if (value.find('%') != std::string::npos || value.find("${") != std::string::npos)
        return fail(error, quoted + " has a wildcard and a placeholder; kvellpack cannot know what the "
                                    "placeholder will hold");
    if (value[0] == '/' || value[0] == '\\' || value.find(':') != std::string::npos)
        return fail(error, quoted + " has a wildcard in an absolute path; a pattern is relative to the project "
                                    "file, which stands for the launcher's directory");
    return true;
}

bool expandEntry(const std::string& entry, const std::string& baseDir, const std::vector<IncludedFile>& files,
                 std::vector<std::string>* out, std::string* error)
{
    if (!checkPattern(entry, error))
        return false;
    std::vector<PatternMatch> matches;
    std::string why;
    if (!expandPattern(baseDir, entry.substr(2), &matches, &why))
        return fail(error, "class path entry '" + entry + "' " + why);
    if (matches.empty())
        return fail(error, "class path entry '" + entry + "' matches no file");
    std::string head = entry.substr(0, 2);
    for (const PatternMatch& match : matches) {
        if (const IncludedFile* file = includedAs(files, match.path)) {
            out->push_back(head + "%KVELL_TEMPDIR%\\" + file->name);
            continue;
        }
        if (match.written.find(';') != std::string::npos)
            return fail(error, "class path entry '" + entry + "' matches '" + match.written +
                                   "', whose ';' would split the class path");
        out->push_back(head + match.written);
    }
    return true;
}

}  // namespace

bool expandClassPathEntries(const std::vector<std::string>& entries, const std::string& baseDir,
                            const std::vector<IncludedFile>& files, std::vector<std::string>* out,
                            std::string* error)
{
    out->clear();
    for (const std::string& entry : entries) {
        if (entry.size() < 3 || !hasWildcards(entry.substr(2)))
            out->push_back(entry);
        else if (!expandEntry(entry, baseDir, files, out, error))
            return false;
    }
    return true;
}

}  // namespace kvellpack
