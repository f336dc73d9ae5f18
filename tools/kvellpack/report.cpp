#include "report.h"

#include <cstdarg>
#include <cstdio>

#include "cp1252.h"
#include "key_table.h"
#include "list_values.h"
#include "stub_choice.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

namespace kvellpack {

namespace {

std::string entryName(EntrySpace space, int id)
{
    if (space == EntrySpace::String && id == cfg::kIncludedFileCount)
        return "included_files (count)";
    if (space == EntrySpace::String && id == cfg::kIncludedFileNames)
        return "included_files (names)";
    if (const KeySpec* spec = findKeyForEntry(space, id))
        return keyPath(*spec);
    return (space == EntrySpace::String ? "raw.strings." : "raw.wide.") + std::to_string(id);
}

// printf for the fixed-size parts of a line; names and values are appended whole.
std::string formatText(const char* pattern, ...) __attribute__((format(gnu_printf, 1, 2)));
std::string formatText(const char* pattern, ...)
{
    char text[256];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(text, sizeof text, pattern, args);
    va_end(args);
    return text;
}

std::string line(const std::string& text)
{
    return text + "\n";
}

std::string padded(const std::string& text, size_t width)
{
    return text.size() < width ? text + std::string(width - text.size(), ' ') : text;
}

std::string entryLine(EntrySpace space, int id, const std::string& utf8)
{
    return line(formatText("  %-6d ", id) + padded(entryName(space, id), 36) + " " + quoteForDisplay(utf8));
}

// What each search sequence entry looks at, in the launcher's order.
std::string searchSequenceLines(const std::string& sequence)
{
    std::string out;
    for (const std::string& entry : splitList(sequence)) {
        std::string text = quoteForDisplay(entry.substr(1));
        std::string meaning;
        switch (entry[0]) {
        case 'A':
        case 'R':
            meaning = "the Java home " + text + " (relative to the launcher's directory)";
            break;
        case 'B':
            meaning = "the Java home " + text + ", at last also without the version limits";
            break;
        case 'E':
            meaning = "the Java home in the environment variable " + text;
            break;
        case 'S':
            meaning = "java.exe in the absolute directories of PATH";
            break;
        case 'Y':
            meaning = "the registry: the legacy JavaSoft keys and the runtimes chosen by hand before";
            break;
        case 'M':
            meaning = "the runtimes installed on the machine: JavaSoft keys of Java 9+, vendor keys, "
                      "vendor folders under Program Files; the highest version";
            break;
        default:
            meaning = "an unknown type: skipped";
            break;
        }
        out += line("           " + entry.substr(0, 1) + ": " + meaning);
    }
    return out;
}

std::string runtimeLines(const LauncherContents& contents)
{
    const IncludedRuntime& runtime = contents.runtime;
    std::string head =
        formatText("Included runtime jre.tar.gz: %lld bytes", static_cast<long long>(runtime.packedSize));
    if (!runtime.damage.empty())
        return line(head + ", damaged: " + runtime.damage);
    const RuntimeArchiveSummary& s = runtime.summary;
    std::string out = line(head + formatText(" compressed, %lld bytes unpacked, %d entries (%d files, %d directories",
                                             static_cast<long long>(s.unpackedSize), s.entries, s.files,
                                             s.directories) +
                           (s.links > 0 ? formatText(", %d links, which the launcher skips)", s.links) : ")"));
    // The progress bar divides by entry 151.
    auto total = contents.store.strings.find(cfg::kJreUncompressedSize);
    if (total == contents.store.strings.end())
        out += line("  entry 151 (jre_uncompressed_size) is not set: the progress bar has no total");
    else if (parseLeadingInt(total->second.c_str()) != s.unpackedSize)
        out += line("  entry 151 (jre_uncompressed_size) is " + quoteForDisplay(utf8FromCp1252(total->second)) +
                    ", not the unpacked size");
    return out;
}

}  // namespace

std::string quoteForDisplay(const std::string& utf8)
{
    std::string out = "\"";
    for (char c : utf8) {
        unsigned byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string describeLauncher(const std::string& path, const LauncherContents& contents)
{
    std::string out = line("Launcher " + path + formatText(" (%lld bytes)", static_cast<long long>(contents.fileSize)));
    out += line(formatText("Payload at offset %lld, after the last of %d sections",
                       static_cast<long long>(contents.layout.payloadStart), contents.layout.sectionCount));
    unsigned subsystem = stubSubsystem(path);
    out += line(subsystem == kSubsystemConsole   ? "Stub: kvellc.exe (console subsystem)"
                : subsystem == kSubsystemWindows ? "Stub: kvell.exe (Windows subsystem)"
                                                 : formatText("Stub: subsystem %u", subsystem));
    out += describeResources(contents.resources);
    out += line(formatText("String entries: %zu", contents.store.strings.size()));
    for (const auto& [id, text] : contents.store.strings) {
        out += entryLine(EntrySpace::String, id, utf8FromCp1252(text));
        if (id == cfg::kSearchSequence)
            out += searchSequenceLines(utf8FromCp1252(text));
    }
    out += line(formatText("Wide entries: %zu", contents.store.wides.size()));
    for (const auto& [id, text] : contents.store.wides)
        out += entryLine(EntrySpace::Wide, id, utf8FromWide(text));
    out += line(formatText("Included files: %zu, from offset %lld", contents.records.size(),
                       static_cast<long long>(contents.layout.includedFilesOffset)));
    for (const IncludedRecord& record : contents.records)
        out += line("  " + padded(utf8FromCp1252(record.name), 40) +
                    formatText(" %lld bytes", static_cast<long long>(record.size)));
    if (contents.hasRuntime)
        out += runtimeLines(contents);
    if (static_cast<size_t>(contents.declaredFiles) != contents.records.size())
        out += line(formatText("  (entry 2002 declares %d files, but only %zu have a name in entry 2003)",
                           contents.declaredFiles, contents.records.size()));
    out += line(formatText("After the included files: %lld bytes",
                       static_cast<long long>(contents.fileSize - contents.recordsEnd)));
    if (contents.signatureSize != 0)
        out += line(formatText("Signature: %u bytes at offset %u", contents.signatureSize, contents.signatureOffset));
    else
        out += line("Signature: none");
    return out;
}

}  // namespace kvellpack
