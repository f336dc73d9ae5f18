#include "key_listing.h"

#include <cstdio>

#include "key_table.h"
#include "report.h"

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

}  // namespace

std::string describeKeys()
{
    std::string out;
    for (const KeySpec& spec : keyTable()) {
        char head[128];
        std::snprintf(head, sizeof head, "%-36s %-6d %-6s ", keyPath(spec).c_str(), spec.id,
                      spec.space == EntrySpace::Wide ? "wide" : "string");
        out += head + std::string(spec.summary) + "\n";
        std::string fallback = describeDefault(spec);
        if (!fallback.empty())
            out += kDefaultIndent + ("default: " + fallback) + "\n";
    }
    return out;
}

}  // namespace kvellpack
