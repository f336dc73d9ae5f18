#include "runtime_archive.h"

namespace kvellpack {

void tallyTarEntry(const TarEntry& entry, RuntimeArchiveSummary* summary)
{
    ++summary->entries;
    if (entry.type == kTarRegularFile) {
        ++summary->files;
        summary->hasJava = summary->hasJava || entry.name == "bin/java.exe" || entry.name == "bin/java";
        summary->pack200 = summary->pack200 || entry.name == "lib/rt.jar.pack";
    } else if (entry.type == kTarDirectory) {
        ++summary->directories;
    } else if (entry.type == '1' || entry.type == '2') {
        ++summary->links;
    }
}

}  // namespace kvellpack
