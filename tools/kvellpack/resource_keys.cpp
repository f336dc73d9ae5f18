#include "resource_keys.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fs/wide.h"
#include "key_suggestion.h"
#include "manifest_text.h"

namespace fs = std::filesystem;

namespace kvellpack {

namespace {

// What a key is: one of the version strings, or a file or setting of its own.
enum class Kind { Icon, Manifest, ExecutionLevel, VersionNumber, VersionText };

struct ResourceKey {
    const char* name;
    Kind kind;
    const char* versionString;  // its name in the string table, for version keys
    const char* summary;
};

// In the string table's order.
constexpr ResourceKey kKeys[] = {
    {"icon", Kind::Icon, nullptr, ".ico file; replaces the launcher's icon (icon group 1001)"},
    {"company_name", Kind::VersionText, "CompanyName", "version information: company"},
    {"file_description", Kind::VersionText, "FileDescription", "version information: file description"},
    {"file_version", Kind::VersionNumber, "FileVersion", "version information: file version, such as 1.2.3.4"},
    {"copyright", Kind::VersionText, "LegalCopyright", "version information: copyright"},
    {"original_filename", Kind::VersionText, "OriginalFilename", "version information: original file name"},
    {"product_name", Kind::VersionText, "ProductName", "version information: product name"},
    {"product_version", Kind::VersionNumber, "ProductVersion", "version information: product version, such as 1.2"},
    {"manifest", Kind::Manifest, nullptr, "application manifest file; replaces the stub's"},
    {"execution_level", Kind::ExecutionLevel, nullptr,
     "asInvoker, highestAvailable or requireAdministrator, set in the stub's manifest"},
};

constexpr size_t kMaxVersionText = 1000;             // UTF-16 units; the whole resource must stay below 64 KiB
constexpr uintmax_t kMaxResourceFile = 16u << 20;    // far above any icon or manifest

struct KeyReader {
    std::string label;
    fs::path baseDir;
    ResourceSettings* settings = nullptr;
    std::string* error = nullptr;
    std::string versionText[std::size(kKeys)];
    bool isSet[std::size(kKeys)] = {};
    int levelLine = 0;
    int manifestLine = 0;
};

bool failAt(KeyReader& r, const toml::node& node, const std::string& what)
{
    *r.error = r.label + ":" + std::to_string(node.source().begin.line) + ": " + what;
    return false;
}

std::string keyName(const ResourceKey& key)
{
    return std::string(kResourcesTable) + "." + key.name;
}

std::string quotedKey(const ResourceKey& key)
{
    return std::string("'") + kResourcesTable + "." + key.name + "'";
}

// The file's bytes, or false with a message naming key and file.
bool readNamedFile(KeyReader& r, const toml::node& node, const ResourceKey& key, const char* what, Bytes* bytes)
{
    std::string written = node.as_string()->get();
    fs::path full = written.empty() ? fs::path() : r.baseDir / fs::path(written);
    std::error_code ec;
    std::string named = quotedKey(key) + ": " + what + " '" + written + "'";
    if (written.empty() || !fs::is_regular_file(full, ec))
        return failAt(r, node, named + " not found (looked for " +
                                   fs::absolute(full, ec).lexically_normal().string() + ")");
    if (fs::file_size(full, ec) > kMaxResourceFile)
        return failAt(r, node, named + " is larger than 16 MiB");
    std::ifstream in(full, std::ios::binary);
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof())
        return failAt(r, node, named + " cannot be read");
    return true;
}

bool readIcon(KeyReader& r, const toml::node& node, const ResourceKey& key)
{
    Bytes bytes;
    if (!readNamedFile(r, node, key, "icon file", &bytes))
        return false;
    std::string why;
    if (!parseIconFile(bytes, &r.settings->icon, &why))
        return failAt(r, node, quotedKey(key) + ": icon file '" + node.as_string()->get() + "' " + why);
    r.settings->iconPath = node.as_string()->get();
    return true;
}

bool readManifest(KeyReader& r, const toml::node& node, const ResourceKey& key)
{
    Bytes bytes;
    if (!readNamedFile(r, node, key, "manifest", &bytes))
        return false;
    std::string text(bytes.begin(), bytes.end());
    if (!looksLikeManifest(text))
        return failAt(r, node, quotedKey(key) + ": manifest '" + node.as_string()->get() +
                                   "' is not an application manifest (UTF-8 XML, an <assembly> of "
                                   "urn:schemas-microsoft-com:asm.v1)");
    r.settings->manifest = text;
    r.settings->manifestPath = node.as_string()->get();
    r.manifestLine = static_cast<int>(node.source().begin.line);
    return true;
}

bool readVersionKey(KeyReader& r, const toml::node& node, const ResourceKey& key, size_t index)
{
    const std::string& text = node.as_string()->get();
    VersionNumbers numbers;
    if (key.kind == Kind::VersionNumber && !parseVersionNumbers(text, &numbers))
        return failAt(r, node, quotedKey(key) + " must be one to four numbers from 0 to 65535 separated by "
                                   "dots, such as 1.2.3.4, not '" + text + "'");
    if (text.find('\0') != std::string::npos)
        return failAt(r, node, quotedKey(key) + " contains a NUL character");
    if (wideFromUtf8(text).size() > kMaxVersionText)
        return failAt(r, node, quotedKey(key) + " is longer than " + std::to_string(kMaxVersionText) +
                                   " UTF-16 units");
    r.versionText[index] = text;
    return true;
}

const char* typeName(const toml::node& node)
{
    if (node.is_integer())
        return "an integer";
    if (node.is_floating_point())
        return "a floating-point number";
    if (node.is_boolean())
        return "a boolean";
    if (node.is_array())
        return "an array";
    if (node.is_table())
        return "a table";
    return "a date or time";
}

bool readKey(KeyReader& r, const toml::node& node, const ResourceKey& key, size_t index)
{
    if (!node.is_string())
        return failAt(r, node, quotedKey(key) + " must be a string, not " + typeName(node));
    switch (key.kind) {
    case Kind::Icon:
        return readIcon(r, node, key);
    case Kind::Manifest:
        return readManifest(r, node, key);
    case Kind::ExecutionLevel:
        r.settings->executionLevel = node.as_string()->get();
        r.levelLine = static_cast<int>(node.source().begin.line);
        return isExecutionLevel(r.settings->executionLevel) ||
               failAt(r, node, quotedKey(key) + " must be \"asInvoker\", \"highestAvailable\" or "
                                   "\"requireAdministrator\", not \"" + r.settings->executionLevel + "\"");
    case Kind::VersionNumber:
    case Kind::VersionText:
        return readVersionKey(r, node, key, index);
    }
    return false;
}

size_t keyIndex(const char* name)
{
    for (size_t i = 0; i < std::size(kKeys); ++i) {
        if (std::string(kKeys[i].name) == name)
            return i;
    }
    return 0;
}

// Either version stands in for the other when only one is set.
void collectVersion(KeyReader& r)
{
    size_t file = keyIndex("file_version"), product = keyIndex("product_version");
    if (r.isSet[file] != r.isSet[product]) {
        size_t from = r.isSet[file] ? file : product;
        r.versionText[r.isSet[file] ? product : file] = r.versionText[from];
        r.isSet[file] = r.isSet[product] = true;
    }
    VersionInfo& info = r.settings->version;
    for (size_t i = 0; i < std::size(kKeys); ++i) {
        if (kKeys[i].versionString == nullptr || !r.isSet[i])
            continue;
        r.settings->setsVersion = true;
        info.strings.emplace_back(kKeys[i].versionString, r.versionText[i]);
    }
    parseVersionNumbers(r.versionText[file], &info.fileVersion);
    parseVersionNumbers(r.versionText[product], &info.productVersion);
}

}  // namespace

bool readResourceKeys(const toml::node& node, const std::string& label, const std::string& baseDir,
                      ResourceSettings* settings, std::string* error)
{
    KeyReader r;
    r.label = label;
    r.baseDir = baseDir.empty() ? fs::path(".") : fs::path(baseDir);
    r.settings = settings;
    r.error = error;
    if (!node.is_table()) {
        *error = label + ":" + std::to_string(node.source().begin.line) + ": '" + kResourcesTable +
                 "' must be a table, not " + typeName(node);
        return false;
    }
    for (auto&& [name, value] : *node.as_table()) {
        size_t index = std::size(kKeys);
        for (size_t i = 0; i < std::size(kKeys); ++i) {
            if (name.str() == kKeys[i].name)
                index = i;
        }
        if (index == std::size(kKeys)) {
            std::vector<std::string> known;
            for (const ResourceKey& key : kKeys)
                known.push_back(key.name);
            std::string nearest = nearestName(std::string(name.str()), known);
            *error = label + ":" + std::to_string(name.source().begin.line) + ": unknown key '" + kResourcesTable +
                     "." + std::string(name.str()) + "'" +
                     (nearest.empty() ? "" : "; did you mean '" + std::string(kResourcesTable) + "." + nearest + "'?");
            return false;
        }
        r.isSet[index] = true;
        if (!readKey(r, value, kKeys[index], index))
            return false;
    }
    if (!settings->manifest.empty() && !settings->executionLevel.empty()) {
        *error = label + ":" + std::to_string(std::max(r.levelLine, r.manifestLine)) +
                 ": 'resources.execution_level' sets the level in the stub's manifest; with "
                 "'resources.manifest', set it in that file";
        return false;
    }
    collectVersion(r);
    return true;
}

std::string describeResourceKeys()
{
    std::string out;
    for (const ResourceKey& key : kKeys) {
        char line[160];
        std::snprintf(line, sizeof line, "%-36s %-6s %-6s ", keyName(key).c_str(), "-", "-");
        out += line + std::string(key.summary) + "\n";
    }
    return out;
}

}  // namespace kvellpack
