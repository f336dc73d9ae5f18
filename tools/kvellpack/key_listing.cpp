#include "key_listing.h"

#include <cstdio>

#include "key_table.h"
#include "report.h"
#include "resource_keys.h"

namespace kvellpack {

namespace {

// Under the summary column, so that the defaults read as a column of their own.
constexpr const char* kDefaultIndent = "                                                   ";

std::string describeDefault(const KeySpec& spec)
{
    switch (spec.defaultRule) {
    case DefaultRule::None:
        return "";
    case DefaultRule::Always:
        return quoteForDisplay(spec.defaultValue);
    case DefaultRule::ProgramName:
        return "the project file's name without extension, else " + quoteForDisplay(spec.defaultValue);
    case DefaultRule::NotWindowed:
        return quoteForDisplay(spec.defaultValue) + " unless program_type is 1";
    }
    return "";
}

// Keys that stand for included files rather than one entry of their own.
struct FileKey {
    const char* name;
    const char* entry;  // the entry it writes besides 2002 and 2003, or "-"
    const char* summary;
    const char* detail;
};

constexpr FileKey kFileKeys[] = {
    {"included_files", "2002", "files extracted before Java starts (2003: their names)", ""},
    {"include_runtime_jar", "-", "false: kvell-runtime.jar is not added to the included files", "default: true"},
    {"runtime_dir", "151", "runtime home (bin/java.exe) packed as the included jre.tar.gz",
     "151: its unpacked size, unless jre_uncompressed_size is set; not with runtime_archive"},
    {"runtime_archive", "151", "ready jre.tar.gz (gzip, ustar), checked and included",
     "151: as runtime_dir; a runtime with lib/rt.jar.pack (Pack200) needs jre_pack200"},
};

std::string keyLine(const std::string& path, const std::string& entry, const char* space, const char* summary)
{
    char head[128];
    std::snprintf(head, sizeof head, "%-36s %-6s %-6s ", path.c_str(), entry.c_str(), space);
    return head + std::string(summary) + "\n";
}

}  // namespace

std::string describeKeys()
{
    std::string out;
    for (const KeySpec& spec : keyTable()) {
        out += keyLine(keyPath(spec), std::to_string(spec.id), spec.space == EntrySpace::Wide ? "wide" : "string",
                       spec.summary);
        std::string fallback = describeDefault(spec);
        if (!fallback.empty())
            out += kDefaultIndent + ("default: " + fallback) + "\n";
    }
    for (const FileKey& key : kFileKeys) {
        out += keyLine(key.name, key.entry, key.entry[0] == '-' ? "-" : "string", key.summary);
        if (key.detail[0] != 0)
            out += kDefaultIndent + std::string(key.detail) + "\n";
    }
    return out + describeResourceKeys();
}

}  // namespace kvellpack
