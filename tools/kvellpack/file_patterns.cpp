#include "file_patterns.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace kvellpack {

namespace {

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Greedy, going back only to the last "*": time grows with the product of
// the lengths, never exponentially.
bool matchFrom(const std::string& pattern, const std::string& name)
{
    size_t p = 0, n = 0, star = std::string::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || lowerAscii(pattern[p]) == lowerAscii(name[n]))) {
            ++p;
            ++n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool isSeparator(char c)
{
    return c == '/' || c == '\\';
}

std::vector<std::string> components(const std::string& text)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (!isSeparator(c)) {
            part.push_back(c);
        } else if (!part.empty()) {
            parts.push_back(part);
            part.clear();
        }
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

// The host reads "\" as a separator too: project files written for Windows
// pack the same on Linux.
fs::path hostPath(std::string text)
{
#ifndef _WIN32
    std::replace(text.begin(), text.end(), '\\', '/');
#endif
    return fs::path(text);
}

struct Search {
    char separator = '/';
    size_t entriesSeen = 0;
    std::vector<PatternMatch>* matches = nullptr;
};

// Matches parts[index] among the entries of dir; the last part names regular
// files, the others directories.
bool walk(Search& search, const fs::path& dir, const std::string& written, const std::vector<std::string>& parts,
          size_t index)
{
    std::error_code ec;
    bool last = index + 1 == parts.size();
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (++search.entriesSeen > kMaxPatternEntries)
            return false;
        std::string name = it->path().filename().string();
        if (!wildcardMatch(parts[index], name))
            continue;
        std::error_code statusError;
        fs::file_status status = fs::status(it->path(), statusError);
        std::string found = written + name;
        if (last && fs::is_regular_file(status))
            search.matches->push_back(PatternMatch{found, it->path().string()});
        else if (!last && fs::is_directory(status) &&
                 !walk(search, it->path(), found + search.separator, parts, index + 1))
            return false;
    }
    return true;
}

}  // namespace

bool hasWildcards(const std::string& text)
{
    return text.find_first_of("*?") != std::string::npos;
}

bool wildcardMatch(const std::string& pattern, const std::string& name)
{
    if (!name.empty() && name[0] == '.' && (pattern.empty() || pattern[0] != '.'))
        return false;
    return matchFrom(pattern, name);
}

bool expandPattern(const std::string& baseDir, const std::string& pattern, std::vector<PatternMatch>* matches,
                   std::string* error)
{
    matches->clear();
    // The part before the first wildcard's component is taken as written.
    size_t wildcard = pattern.find_first_of("*?");
    size_t cut = 0;
    for (size_t i = 0; i < wildcard && i < pattern.size(); ++i) {
        if (isSeparator(pattern[i]))
            cut = i + 1;
    }
    std::string fixed = pattern.substr(0, cut);
    Search search;
    search.separator = pattern.find('\\') != std::string::npos ? '\\' : '/';
    search.matches = matches;
    std::vector<std::string> parts = components(pattern.substr(cut));
    fs::path start = fixed.empty() ? fs::path(baseDir) : fs::path(baseDir) / hostPath(fixed);
    if (!parts.empty() && !walk(search, start.empty() ? fs::path(".") : start, fixed, parts, 0)) {
        *error = "reaches more than " + std::to_string(kMaxPatternEntries) + " directory entries; name fewer";
        return false;
    }
    std::sort(matches->begin(), matches->end(),
              [](const PatternMatch& a, const PatternMatch& b) { return a.written < b.written; });
    return true;
}

}  // namespace kvellpack
