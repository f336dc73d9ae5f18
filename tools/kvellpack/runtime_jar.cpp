#include "runtime_jar.h"

#include <filesystem>

#include "included_entries.h"
#include "included_names.h"

namespace fs = std::filesystem;

namespace kvellpack {

namespace {

std::string notFound(const std::vector<RuntimeJarCandidate>& candidates)
{
    std::string places;
    for (const RuntimeJarCandidate& candidate : candidates) {
        places += (places.empty() ? "" : ", ") + candidate.path;
        if (!candidate.origin.empty())
            places += " (" + candidate.origin + ")";
    }
    if (places.empty())
        places = "nowhere: the directory of kvellpack is unknown";
    return std::string(kRuntimeJarName) + " not found (looked in " + places +
           "); pass --runtime-jar PATH or set include_runtime_jar = false";
}

}  // namespace

std::vector<RuntimeJarCandidate> runtimeJarCandidates(const RuntimeJarSources& sources)
{
    if (!sources.option.empty())
        return {{sources.option, "--runtime-jar"}};
    if (!sources.variable.empty())
        return {{sources.variable, kRuntimeJarVariable}};
    if (sources.programDir.empty())
        return {};
    fs::path dir(sources.programDir);
    return {{(dir / kRuntimeJarName).lexically_normal().string(), ""},
            {(dir / ".." / "java" / kRuntimeJarName).lexically_normal().string(), ""}};
}

bool needsRuntimeJar(const Project& project)
{
    if (!project.includeRuntimeJar)
        return false;
    for (const IncludedFile& file : project.files) {
        if (sameFileName(file.name, kRuntimeJarName))
            return false;
    }
    return true;
}

bool addRuntimeJar(Project* project, const RuntimeJarSources& sources, std::string* addedFrom, std::string* error)
{
    addedFrom->clear();
    if (!needsRuntimeJar(*project))
        return true;
    std::vector<RuntimeJarCandidate> candidates = runtimeJarCandidates(sources);
    for (const RuntimeJarCandidate& candidate : candidates) {
        std::error_code ec;
        if (!fs::is_regular_file(candidate.path, ec))
            continue;
        IncludedFile jar;
        jar.name = kRuntimeJarName;
        jar.path = candidate.path;
        jar.size = static_cast<int64_t>(fs::file_size(candidate.path, ec));
        // The launcher creates no file for an empty record: the program would
        // start without its launcher class.
        if (ec || jar.size <= 0) {
            *error = std::string(kRuntimeJarName) + " at " + candidate.path + " is empty or unreadable";
            return false;
        }
        project->files.push_back(jar);
        std::string why;
        if (!writeIncludedEntries(project, &why)) {
            project->files.pop_back();  // the entries are only written on success
            *error = std::string("adding ") + kRuntimeJarName + ": entry 2003 (the included file names) " + why;
            return false;
        }
        *addedFrom = candidate.path;
        return true;
    }
    *error = notFound(candidates);
    return false;
}

}  // namespace kvellpack
