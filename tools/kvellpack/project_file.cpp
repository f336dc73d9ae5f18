#include "project_file.h"

#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include <toml++/toml.h>

#include "classpath_patterns.h"
#include "entry_encoding.h"
#include "file_patterns.h"
#include "format_check.h"
#include "included_entries.h"
#include "included_names.h"
#include "included_runtime.h"
#include "key_suggestion.h"
#include "key_table.h"
#include "list_values.h"
#include "resource_keys.h"
#include "runtime_download.h"
#include "toml_guard.h"
#include "version_limits.h"
#include "jvm/version_compare.h"
#include "payload/config_ids.h"

namespace fs = std::filesystem;

namespace kvellpack {

namespace {

struct EntrySource {
    std::string key;
    int line = 0;
};

struct Reader {
    std::string label;  // the project file as named to the user
    fs::path baseDir;
    Project* project = nullptr;
    std::map<std::pair<EntrySpace, int>, EntrySource> setBy;  // entry -> key that set it, and where
    std::string error;
};

bool failAt(Reader& r, int line, const std::string& what)
{
    r.error = r.label + ":" + std::to_string(line) + ": " + what;
    return false;
}

bool fail(Reader& r, const toml::source_region& where, const std::string& what)
{
    return failAt(r, static_cast<int>(where.begin.line), what);
}

const char* typeName(toml::node_type type)
{
    switch (type) {
    case toml::node_type::string:
        return "a string";
    case toml::node_type::integer:
        return "an integer";
    case toml::node_type::floating_point:
        return "a floating-point number";
    case toml::node_type::boolean:
        return "a boolean";
    case toml::node_type::array:
        return "an array";
    case toml::node_type::table:
        return "a table";
    default:
        return "a date or time";
    }
}

// subject is what the user reads: "'min_version'", "an item of 'classpath'".
bool wrongType(Reader& r, const toml::node& node, const std::string& subject, const char* expected)
{
    return fail(r, node.source(), subject + " must be " + expected + ", not " + typeName(node.type()));
}

std::string inQuotes(const std::string& key)
{
    return "'" + key + "'";
}

// Encodes and stores one entry; every key and raw entry ends here.
bool storeEntry(Reader& r, const toml::node& node, const std::string& key, EntrySpace space, int id,
                const std::string& utf8, size_t maxLength, FormatRule format)
{
    auto [it, fresh] =
        r.setBy.emplace(std::make_pair(space, id), EntrySource{key, static_cast<int>(node.source().begin.line)});
    if (!fresh)
        return fail(r, node.source(), "entry " + std::to_string(id) + " is set twice, by '" + it->second.key +
                                          "' and by '" + key + "'");
    std::string why;
    if (!checkFormat(format, utf8, &why))
        return fail(r, node.source(), "'" + key + "': " + why);
    bool ok = space == EntrySpace::String ? encodeString(utf8, maxLength, &r.project->strings[id], &why)
                                          : encodeWide(utf8, maxLength, &r.project->wides[id], &why);
    return ok || fail(r, node.source(), "'" + key + "' " + why);
}

bool integerText(Reader& r, const toml::node& node, const std::string& key, int64_t min, std::string* out)
{
    int64_t value = node.as_integer()->get();
    if (value < min || value > INT_MAX)
        return fail(r, node.source(), "'" + key + "' is " + std::to_string(value) + ", outside " +
                                          std::to_string(min) + ".." + std::to_string(INT_MAX));
    *out = std::to_string(value);
    return true;
}

bool unknownKey(Reader& r, const toml::key& key, const std::string& table);

// A class path entry written as { kind = "A", required = true, value = "lib/x.jar" }
// becomes the launcher's "<kind><0|1><value>"; the kind is checked with the rest.
bool classPathTableEntry(Reader& r, const toml::table& table, const std::string& key, std::string* entry)
{
    std::string kindLetter, value;
    bool required = false;
    for (auto&& [name, field] : table) {
        std::string fieldKey = key + "." + std::string(name.str());
        if (name.str() == "kind" || name.str() == "value") {
            if (!field.is_string())
                return wrongType(r, field, inQuotes(fieldKey), "a string");
            (name.str() == "kind" ? kindLetter : value) = field.as_string()->get();
        } else if (name.str() == "required") {
            if (!field.is_boolean())
                return wrongType(r, field, inQuotes(fieldKey), "a boolean");
            required = field.as_boolean()->get();
        } else {
            return unknownKey(r, name, key);
        }
    }
    if (kindLetter.size() != 1)
        return fail(r, table.source(), "a '" + key + "' table needs a one-letter 'kind' (A, D, E or S)");
    if (value.empty())
        return fail(r, table.source(), "a '" + key + "' table needs a 'value'");
    *entry = kindLetter + (required ? "1" : "0") + value;
    return true;
}

// Class path entries with wildcards become one entry per file; a list
// without any stays as written.
bool expandClassPath(Reader& r, const toml::node& node, const std::string& key, std::string* out)
{
    std::vector<std::string> entries = splitList(*out), expanded;
    std::string why;
    if (!expandClassPathEntries(entries, r.baseDir.string(), r.project->files, &expanded, &why))
        return fail(r, node.source(), "'" + key + "': " + why);
    if (expanded != entries) {
        out->clear();
        for (const std::string& entry : expanded)
            *out += (out->empty() ? "" : ";") + entry;
    }
    return true;
}

bool listText(Reader& r, const toml::node& node, const std::string& key, ValueKind kind, std::string* out)
{
    std::string why;
    if (node.is_string()) {
        if (!listFromText(kind, node.as_string()->get(), out, &why))
            return fail(r, node.source(), "'" + key + "': " + why);
        return kind != ValueKind::ClassPath || expandClassPath(r, node, key, out);
    }
    if (!node.is_array())
        return wrongType(r, node, inQuotes(key), "a string or an array of strings");
    std::vector<std::string> items;
    for (const toml::node& item : *node.as_array()) {
        if (kind == ValueKind::ClassPath && item.is_table()) {
            std::string entry;
            if (!classPathTableEntry(r, *item.as_table(), key, &entry))
                return false;
            items.push_back(entry);
            continue;
        }
        if (!item.is_string())
            return wrongType(r, item, "an item of " + inQuotes(key),
                             kind == ValueKind::ClassPath ? "a string or a table" : "a string");
        items.push_back(item.as_string()->get());
    }
    if (!listFromItems(kind, items, out, &why))
        return fail(r, node.source(), "'" + key + "': " + why);
    return kind != ValueKind::ClassPath || expandClassPath(r, node, key, out);
}

bool flavourText(Reader& r, const toml::node& node, const std::string& key, std::string* out)
{
    if (!node.is_string())
        return wrongType(r, node, inQuotes(key), "a string");
    const std::string& value = node.as_string()->get();
    if (value == "launcher" || value == "e")
        *out = "e";
    else if (value == "installer" || value == "i")
        *out = "i";
    else
        return fail(r, node.source(), "'" + key + "' must be \"launcher\" or \"installer\", not \"" + value + "\"");
    return true;
}

// A string for an entry of the given kind: the named key and a raw entry of
// its number get the same checks and the same form.
bool checkedText(Reader& r, const toml::node& node, ValueKind kind, const std::string& key, std::string* out)
{
    if (!node.is_string())
        return wrongType(r, node, inQuotes(key), "a string");
    const std::string& text = node.as_string()->get();
    *out = text;
    std::string why;
    if (kind == ValueKind::HttpUrl && !checkDownloadUrl(text, &why))
        return fail(r, node.source(), inQuotes(key) + " " + why);
    if (kind == ValueKind::Sha256 && !sha256FromText(text, out, &why))
        return fail(r, node.source(), inQuotes(key) + " " + why);
    if (kind == ValueKind::Version && !text.empty() && !isVersionText(text.c_str()))
        return fail(r, node.source(), inQuotes(key) + " must be a Java version such as 17, 1.8 or 1.8.0_292, not '" +
                                          text + "'");
    return true;
}

// The value of a named key as UTF-8 text in the launcher's syntax.
bool valueText(Reader& r, const toml::node& node, const KeySpec& spec, const std::string& key, std::string* out)
{
    switch (spec.kind) {
    case ValueKind::Text:
    case ValueKind::HttpUrl:
    case ValueKind::Sha256:
    case ValueKind::Version:
        return checkedText(r, node, spec.kind, key, out);
    case ValueKind::Flag:
        if (node.is_boolean()) {
            *out = node.as_boolean()->get() ? "1" : "0";
            return true;
        }
        if (!node.is_integer())
            return wrongType(r, node, inQuotes(key), "a boolean or an integer");
        return integerText(r, node, key, INT_MIN, out);
    case ValueKind::Integer:
        if (!node.is_integer())
            return wrongType(r, node, inQuotes(key), "an integer");
        return integerText(r, node, key, 0, out);
    case ValueKind::Flavour:
        return flavourText(r, node, key, out);
    case ValueKind::PathList:
    case ValueKind::WordList:
    case ValueKind::ClassPath:
    case ValueKind::SearchSequence:
        return listText(r, node, key, spec.kind, out);
    }
    return false;
}

bool readNamedKey(Reader& r, const toml::node& node, const KeySpec& spec)
{
    std::string key = keyPath(spec);
    std::string text;
    return valueText(r, node, spec, key, &text) &&
           storeEntry(r, node, key, spec.space, spec.id, text, spec.maxLength, spec.format);
}

bool unknownKey(Reader& r, const toml::key& key, const std::string& table)
{
    std::string prefix = table.empty() ? "" : table + ".";
    std::string path = prefix + std::string(key.str());
    std::string nearest = nearestName(std::string(key.str()), knownKeyNames(table));
    std::string hint = path == "texts.app_title" ? " (app_title is a top-level key)"
                       : nearest.empty()         ? ""
                                                 : "; did you mean '" + prefix + nearest + "'?";
    return fail(r, key.source(), "unknown key '" + path + "'" + hint);
}

bool readKeyTable(Reader& r, const toml::node& node, const std::string& table)
{
    if (!node.is_table())
        return wrongType(r, node, inQuotes(table), "a table");
    for (auto&& [key, value] : *node.as_table()) {
        const KeySpec* spec = findKey(table, std::string(key.str()));
        if (spec == nullptr)
            return unknownKey(r, key, table);
        if (!readNamedKey(r, value, *spec))
            return false;
    }
    return true;
}

// Entry numbers: plain decimal, as the launcher's ids are non-negative in practice.
bool parseEntryNumber(const std::string& text, int* id)
{
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    long long value = std::stoll(text);
    if (value > INT_MAX)
        return false;
    *id = static_cast<int>(value);
    return true;
}

bool readRawSpace(Reader& r, const toml::node& node, const std::string& table, EntrySpace space)
{
    if (!node.is_table())
        return wrongType(r, node, inQuotes(table), "a table");
    for (auto&& [key, value] : *node.as_table()) {
        std::string path = table + "." + std::string(key.str());
        int id = 0;
        if (!parseEntryNumber(std::string(key.str()), &id))
            return fail(r, key.source(), "'" + path + "': raw entries are named by their decimal number");
        if (space == EntrySpace::String && (id == cfg::kIncludedFileCount || id == cfg::kIncludedFileNames))
            return fail(r, key.source(), "'" + path + "': entries 2002 and 2003 are written from included_files");
        const KeySpec* named = findKeyForEntry(space, id);
        std::string text;
        if (!checkedText(r, value, named != nullptr ? named->kind : ValueKind::Text, path, &text) ||
            !storeEntry(r, value, path, space, id, text, kMaxValueLength, FormatRule::None))
            return false;
    }
    return true;
}

bool readRaw(Reader& r, const toml::node& node)
{
    if (!node.is_table())
        return wrongType(r, node, inQuotes("raw"), "a table");
    for (auto&& [key, value] : *node.as_table()) {
        if (key.str() == "strings") {
            if (!readRawSpace(r, value, "raw.strings", EntrySpace::String))
                return false;
        } else if (key.str() == "wide") {
            if (!readRawSpace(r, value, "raw.wide", EntrySpace::Wide))
                return false;
        } else {
            return unknownKey(r, key, "raw");
        }
    }
    return true;
}

// One file of included_files, under its name in the extraction directory.
bool includeFile(Reader& r, const toml::node& item, const std::string& written, const fs::path& full,
                 const std::string& name)
{
    IncludedFile file;
    file.name = name;
    file.path = full.string();
    std::string why;
    if (!checkIncludedName(file.name, &why))
        return fail(r, item.source(), why);
    std::error_code ec;
    fs::file_status status = fs::status(full, ec);
    if (written.empty() || !fs::exists(status))
        return fail(r, item.source(), "included file '" + written + "' not found (looked for " +
                                          fs::absolute(full, ec).lexically_normal().string() + ")");
    if (!fs::is_regular_file(status))
        return fail(r, item.source(), "included file '" + written + "' is not a regular file");
    file.size = static_cast<int64_t>(fs::file_size(full, ec));
    if (ec)
        return fail(r, item.source(), "included file '" + written + "' cannot be read: " + ec.message());
    for (const IncludedFile& earlier : r.project->files) {
        if (sameFileName(earlier.name, file.name))
            return fail(r, item.source(), "two included files are named '" + file.name + "'");
    }
    if (file.size == 0)
        r.project->warnings.push_back("included file '" + file.name +
                                      "' is empty; the launcher creates no file for it");
    r.project->files.push_back(file);
    return true;
}

// A pattern ("lib/*.jar") or a folder ("lib": the files directly in it), each
// file under its own name, in the order of their paths.
bool includeMatches(Reader& r, const toml::node& item, const std::string& written, bool folder, bool named)
{
    std::string what = folder ? "folder '" + written + "'" : "'" + written + "'";
    if (named)
        return fail(r, item.source(), "'included_files': " + what + " names several files, which cannot share one "
                                      "'name'");
    std::string pattern = folder ? written + "/*" : written;
    std::vector<PatternMatch> matches;
    std::string why;
    if (!expandPattern(r.baseDir.string(), pattern, &matches, &why))
        return fail(r, item.source(), "'included_files': '" + pattern + "' " + why);
    if (matches.empty())
        return fail(r, item.source(), "'included_files': " + what + (folder ? " holds no files" : " matches no file"));
    for (const PatternMatch& match : matches) {
        if (!includeFile(r, item, match.written, fs::path(match.path), fs::path(match.path).filename().string()))
            return false;
    }
    return true;
}

// One item of included_files: "path" or { path = "...", name = "..." }; a path
// may be a pattern or a folder.
bool readIncludedItem(Reader& r, const toml::node& item)
{
    std::string written, name;
    const toml::node* nameNode = nullptr;
    if (item.is_string()) {
        written = item.as_string()->get();
    } else if (item.is_table()) {
        for (auto&& [key, value] : *item.as_table()) {
            if (key.str() != "path" && key.str() != "name")
                return unknownKey(r, key, "included_files");
            if (!value.is_string())
                return wrongType(r, value, inQuotes("included_files." + std::string(key.str())), "a string");
        }
        const toml::node* path = item.as_table()->get("path");
        if (path == nullptr)
            return fail(r, item.source(), "an included_files table needs a 'path'");
        written = path->as_string()->get();
        nameNode = item.as_table()->get("name");
    } else {
        return wrongType(r, item, "an item of 'included_files'", "a string or a table");
    }
    fs::path full = written.empty() ? fs::path() : r.baseDir / fs::path(written);
    std::error_code ec;
    if (hasWildcards(written) || (!written.empty() && fs::is_directory(full, ec)))
        return includeMatches(r, item, written, !hasWildcards(written), nameNode != nullptr);
    name = nameNode != nullptr ? nameNode->as_string()->get() : fs::path(written).filename().string();
    return includeFile(r, item, written, full, name);
}

bool readIncludedFiles(Reader& r, const toml::node& node)
{
    if (!node.is_array())
        return wrongType(r, node, inQuotes("included_files"), "an array");
    for (const toml::node& item : *node.as_array()) {
        if (!readIncludedItem(r, item))
            return false;
    }
    std::string why;
    return writeIncludedEntries(r.project, &why) || fail(r, node.source(), "'included_files' " + why);
}

bool readIncludeRuntimeJar(Reader& r, const toml::node& node)
{
    if (!node.is_boolean())
        return wrongType(r, node, inQuotes("include_runtime_jar"), "a boolean");
    r.project->includeRuntimeJar = node.as_boolean()->get();
    return true;
}

bool readConsole(Reader& r, const toml::node& node)
{
    if (!node.is_boolean())
        return wrongType(r, node, inQuotes("console"), "a boolean");
    r.project->console = node.as_boolean()->get() ? 1 : 0;
    return true;
}

// runtime_dir or runtime_archive: checked for what it is here, packed or read
// through later (included_runtime.h).
bool readRuntimeSource(Reader& r, const std::string& key, const toml::node& node)
{
    if (!node.is_string())
        return wrongType(r, node, inQuotes(key), "a string");
    if (!r.project->runtime.key.empty())
        return fail(r, node.source(), std::string("'") + kRuntimeDirKey + "' and '" + kRuntimeArchiveKey +
                                          "' both name the included runtime; set only one of them");
    std::string written = node.as_string()->get();
    fs::path full = written.empty() ? fs::path() : r.baseDir / fs::path(written);
    std::error_code ec;
    fs::file_status status = fs::status(full, ec);
    std::string named = key + " '" + written + "'";
    std::string lookedFor = " (looked for " + fs::absolute(full, ec).lexically_normal().string() + ")";
    if (key == kRuntimeDirKey) {
        if (written.empty() || !fs::is_directory(status))
            return fail(r, node.source(), named + " is not a directory" + lookedFor);
        if (!looksLikeRuntimeHome(full.string()))
            return fail(r, node.source(), named + " is not a Java runtime: it has neither bin/java.exe nor bin/java");
    } else if (written.empty() || !fs::is_regular_file(status)) {
        return fail(r, node.source(), named + " is not a file" + lookedFor);
    }
    r.project->runtime = RuntimeSource{key, written, full.string(),
                                       r.label + ":" + std::to_string(node.source().begin.line)};
    return true;
}

// Rules between entries, once every key and raw entry is read.
bool checkAcrossEntries(Reader& r)
{
    int entry = 0;
    std::string conflict = downloadConflict(*r.project, &entry);
    if (conflict.empty())
        conflict = versionLimitConflict(*r.project, &entry);
    return conflict.empty() || failAt(r, r.setBy.at({EntrySpace::String, entry}).line, conflict);
}

bool readTopLevel(Reader& r, const toml::table& top)
{
    // The included files first: class path patterns look for them.
    if (const toml::node* files = top.get("included_files"); files != nullptr && !readIncludedFiles(r, *files))
        return false;
    for (auto&& [key, value] : top) {
        std::string name(key.str());
        bool ok = true;
        if (name == "included_files")
            continue;
        if (name == "messages" || name == "texts")
            ok = readKeyTable(r, value, name);
        else if (name == "raw")
            ok = readRaw(r, value);
        else if (name == "include_runtime_jar")
            ok = readIncludeRuntimeJar(r, value);
        else if (name == "console")
            ok = readConsole(r, value);
        else if (name == kResourcesTable)
            ok = readResourceKeys(value, r.label, r.baseDir.string(), &r.project->resources, &r.error);
        else if (name == kRuntimeDirKey || name == kRuntimeArchiveKey)
            ok = readRuntimeSource(r, name, value);
        else if (const KeySpec* spec = findKey("", name))
            ok = readNamedKey(r, value, *spec);
        else
            ok = unknownKey(r, key, "");
        if (!ok)
            return false;
    }
    return true;
}

}  // namespace

bool loadProjectText(const std::string& text, const std::string& label, const std::string& baseDir,
                     Project* project, std::string* error)
{
    Reader r;
    r.label = label;
    r.baseDir = baseDir.empty() ? fs::path(".") : fs::path(baseDir);
    r.project = project;
    int line = 0;
    std::string why;
    if (!checkTomlText(text, &line, &why)) {
        *error = label + ":" + std::to_string(line) + ": " + why;
        return false;
    }
    try {
        toml::table top = toml::parse(text, label);
        if (readTopLevel(r, top) && checkAcrossEntries(r))
            return true;
        *error = r.error;
    } catch (const toml::parse_error& e) {
        *error = label + ":" + std::to_string(e.source().begin.line) + ": " + std::string(e.description());
    }
    return false;
}

bool loadProject(const std::string& path, Project* project, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in || fs::is_directory(fs::path(path))) {
        *error = "cannot open project file '" + path + "'";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return loadProjectText(text.str(), path, fs::path(path).parent_path().string(), project, error);
}

}  // namespace kvellpack
