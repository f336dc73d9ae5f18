#include "key_listing.h"

#include <cstdio>

#include "key_table.h"
#include "report.h"
#include "resource_keys.h"

namespace kvellpack {

namespace {

// Where the summary column starts; the defaults go under it, as a column of their own.
constexpr size_t kSummaryColumn = 60;

const char* typeName(ValueKind kind)
{
    switch (kind) {
    case ValueKind::Text:
        return "string";
    case ValueKind::Flag:
        return "flag";
    case ValueKind::Integer:
        return "integer";
    case ValueKind::PathList:
    case ValueKind::WordList:
    case ValueKind::ClassPath:
    case ValueKind::SearchSequence:
        return "list";
    case ValueKind::Flavour:
        return "choice";
    case ValueKind::HttpUrl:
        return "URL";
    case ValueKind::Sha256:
        return "SHA-256";
    case ValueKind::Version:
        return "version";
    }
    return "";
}

// Defaults that kvellpack applies outside the key table's rules.
std::string otherDefault(const KeySpec& spec)
{
    if (keyPath(spec) == "main_class")
        return "the Main-Class in the manifest of the first included jar";
    if (spec.kind == ValueKind::Flag)
        return "false (the entry stays absent)";
    return "";
}

std::string describeDefault(const KeySpec& spec)
{
    switch (spec.defaultRule) {
    case DefaultRule::None:
        return otherDefault(spec);
    case DefaultRule::Always:
        return quoteForDisplay(spec.defaultValue);
    case DefaultRule::ProgramName:
        return "the project file's name without extension, else " + quoteForDisplay(spec.defaultValue);
    case DefaultRule::NotWindowed:
        return quoteForDisplay(spec.defaultValue) + " unless program_type is 1";
    case DefaultRule::Launcher:
        return quoteForDisplay(spec.defaultValue) + " when flavour is \"launcher\"";
    }
    return "";
}

// Keys that stand for files or tables rather than one entry of their own.
struct FileKey {
    const char* name;
    const char* entry;  // the entry it writes besides 2002 and 2003, or "-"
    const char* space;
    const char* type;
    const char* summary;
    const char* detail;
};

constexpr FileKey kFileKeys[] = {
    {"included_files", "2002", "string", "array", "files extracted before Java starts (2003: their names)",
     "items: a path, a folder (its files), a pattern such as \"lib/*.jar\", or { path = ..., name = ... }"},
    {"include_runtime_jar", "-", "-", "boolean", "false: kvell-runtime.jar is not added to the included files",
     "default: true"},
    {"console", "-", "-", "boolean", "true: the console stub kvellc.exe, false: kvell.exe",
     "default: kvellc.exe for flavour \"launcher\" unless program_type is 1 or 5"},
    {"runtime_dir", "151", "string", "string", "runtime home (bin/java.exe) packed as the included jre.tar.gz",
     "151: its unpacked size, unless jre_uncompressed_size is set; not with runtime_archive"},
    {"runtime_archive", "151", "string", "string", "ready jre.tar.gz (gzip, ustar), checked and included",
     "151: as runtime_dir; a runtime with lib/rt.jar.pack (Pack200) needs jre_pack200"},
    {"raw.strings", "-", "string", "table", "entries set by number: \"<number>\" = \"<text>\"", ""},
    {"raw.wide", "-", "wide", "table", "wide entries set by number, as raw.strings", ""},
};

std::string keyLine(const std::string& path, const std::string& entry, const char* space, const char* type,
                    const char* summary)
{
    char head[128];
    std::snprintf(head, sizeof head, "%-36s %-6s %-6s %-8s ", path.c_str(), entry.c_str(), space, type);
    return head + std::string(summary) + "\n";
}

}  // namespace

std::string describeKeys()
{
    std::string out = keyLine("key", "entry", "space", "type",
                              "what it sets; below, what kvellpack writes when it is left out");
    for (const KeySpec& spec : keyTable()) {
        out += keyLine(keyPath(spec), std::to_string(spec.id), spec.space == EntrySpace::Wide ? "wide" : "string",
                       typeName(spec.kind), spec.summary);
        std::string fallback = describeDefault(spec);
        if (!fallback.empty())
            out += std::string(kSummaryColumn, ' ') + "default: " + fallback + "\n";
    }
    for (const FileKey& key : kFileKeys) {
        out += keyLine(key.name, key.entry, key.space, key.type, key.summary);
        if (key.detail[0] != 0)
            out += std::string(kSummaryColumn, ' ') + key.detail + "\n";
    }
    return out + describeResourceKeys();
}

}  // namespace kvellpack
