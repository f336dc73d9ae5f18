#include "included_runtime.h"

#include <filesystem>

#include "included_entries.h"
#include "included_names.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "runtime_archive.h"

namespace fs = std::filesystem;

namespace kvellpack {

namespace {

bool fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

bool checkArchive(const std::string& path, RuntimeArchiveSummary* summary, std::string* error)
{
    FileHandle file = openFileRead(path.c_str());
    if (!isOpen(file))
        return fail(error, "cannot be read");
    return readRuntimeArchive(file, 0, sizeOfFile(file), 0, summary, error);
}

void noteEntry151(Project* project, const RuntimeArchiveSummary& summary)
{
    std::string unpacked = std::to_string(summary.unpackedSize);
    auto set = project->strings.find(cfg::kJreUncompressedSize);
    if (set == project->strings.end())
        project->strings[cfg::kJreUncompressedSize] = unpacked;
    else if (set->second != unpacked)
        project->warnings.push_back("jre_uncompressed_size is " + set->second + ", but the included runtime unpacks "
                                    "to " + unpacked + " bytes; the progress bar goes by " + set->second);
}

void checkPack200(Project* project, const RuntimeArchiveSummary& summary)
{
    auto flag = project->strings.find(cfg::kJrePack200);
    bool packed = flag != project->strings.end() && parseLeadingInt(flag->second.c_str()) != 0;
    if (summary.pack200 && !packed)
        project->warnings.push_back("the included runtime holds lib/rt.jar.pack, but jre_pack200 is not set: the "
                                    "launcher will not restore its Pack200-packed jars");
    else if (!summary.pack200 && packed)
        project->warnings.push_back("jre_pack200 is set, but the included runtime holds no lib/rt.jar.pack: the "
                                    "launcher has nothing to restore");
}

}  // namespace

bool looksLikeRuntimeHome(const std::string& dir)
{
    std::error_code ec;
    return fs::is_regular_file(fs::path(dir) / "bin" / "java.exe", ec) ||
           fs::is_regular_file(fs::path(dir) / "bin" / "java", ec);
}

bool addIncludedRuntime(Project* project, const std::string& scratchPath, std::string* note, std::string* error)
{
    note->clear();
    const RuntimeSource& source = project->runtime;
    if (source.key.empty())
        return true;
    // Errors point at the key, as the project reader's do.
    std::string named = source.key + " '" + source.written + "'";
    std::string label = source.where + ": " + named;
    for (const IncludedFile& file : project->files) {
        if (sameFileName(file.name, kRuntimeArchiveName))
            return fail(error, label + " is packed as " + kRuntimeArchiveName + ", and included_files holds '" +
                                   file.name + "' too; keep one of them");
    }
    bool fromDir = source.key == kRuntimeDirKey;
    RuntimeArchiveSummary summary;
    std::string why;
    bool ok = fromDir ? writeRuntimeArchive(source.path, scratchPath, &summary, &why)
                      : checkArchive(source.path, &summary, &why);
    if (!ok)
        return fail(error, label + ": " + why);
    if (!summary.hasJava)
        return fail(error, label + ": no bin/java.exe or bin/java in it; its names must be relative to the runtime's "
                                   "home");
    IncludedFile archive{kRuntimeArchiveName, fromDir ? scratchPath : source.path, 0};
    std::error_code ec;
    archive.size = static_cast<int64_t>(fs::file_size(archive.path, ec));
    if (ec)
        return fail(error, label + ": cannot read " + archive.path);
    project->files.push_back(archive);
    if (!writeIncludedEntries(project, &why)) {
        project->files.pop_back();
        return fail(error, "adding " + std::string(kRuntimeArchiveName) + ": entry 2003 (the included file names) " +
                               why);
    }
    noteEntry151(project, summary);
    checkPack200(project, summary);
    if (summary.links > 0)
        project->warnings.push_back(named + ": " + std::to_string(summary.links) +
                                    (summary.links == 1 ? " link" : " links") + ", which the launcher skips");
    *note = std::string(kRuntimeArchiveName) + " from " + named + ": " + std::to_string(summary.files) + " files, " +
            std::to_string(summary.directories) + " directories, " + std::to_string(summary.unpackedSize) +
            " bytes unpacked, " + std::to_string(archive.size) + " packed";
    return true;
}

}  // namespace kvellpack
