#include "jar_manifest.h"

#include <vector>

#include "zip_entry.h"

namespace kvellpack {

namespace {

std::vector<std::string> physicalLines(const std::string& text)
{
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            lines.emplace_back();
        } else {
            lines.back().push_back(c);
        }
    }
    return lines;
}

bool equalIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::string trimmed(const std::string& text)
{
    size_t begin = text.find_first_not_of(" \t");
    size_t end = text.find_last_not_of(" \t");
    return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

}  // namespace

std::string manifestAttribute(const std::string& manifest, const std::string& name)
{
    // The main section's logical lines: continuations joined first.
    std::vector<std::string> logical;
    for (const std::string& line : physicalLines(manifest)) {
        if (line.empty())
            break;
        if (line[0] == ' ' && !logical.empty())
            logical.back() += line.substr(1);
        else
            logical.push_back(line);
    }
    for (const std::string& line : logical) {
        size_t colon = line.find(':');
        if (colon != std::string::npos && equalIgnoringCase(line.substr(0, colon), name))
            return trimmed(line.substr(colon + 1));
    }
    return "";
}

bool jarMainClass(const std::string& path, std::string* mainClass, std::string* error)
{
    std::string manifest;
    mainClass->clear();
    ZipRead read = readZipEntry(path, "META-INF/MANIFEST.MF", &manifest, error);
    if (read == ZipRead::Ok)
        *mainClass = manifestAttribute(manifest, "Main-Class");
    return read != ZipRead::Failed;
}

}  // namespace kvellpack
