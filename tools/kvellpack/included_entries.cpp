#include "included_entries.h"

#include "entry_encoding.h"
#include "key_table.h"
#include "payload/config_ids.h"

namespace kvellpack {

bool writeIncludedEntries(Project* project, std::string* error)
{
    if (project->files.empty()) {
        project->strings.erase(cfg::kIncludedFileCount);
        project->strings.erase(cfg::kIncludedFileNames);
        return true;
    }
    std::string names;
    for (const IncludedFile& file : project->files)
        names += (names.empty() ? "" : ";") + file.name;
    std::string encoded;
    if (!encodeString(names, kMaxValueLength, &encoded, error))
        return false;
    project->strings[cfg::kIncludedFileCount] = std::to_string(project->files.size());
    project->strings[cfg::kIncludedFileNames] = encoded;
    return true;
}

}  // namespace kvellpack
