// jre.tar.gz, the runtime a launcher carries: a gzip-compressed ustar archive
// of the runtime's files, named relative to the runtime's home. The launcher
// unpacks it into "jre" beside the included files.
#pragma once
#include <cstdint>
#include <string>

#include "fs/platform.h"
#include "ustar.h"

namespace kvellpack {

inline constexpr const char* kRuntimeArchiveName = "jre.tar.gz";

struct RuntimeArchiveSummary {
    int64_t unpackedSize = 0;  // bytes of the tar stream: entry 151, the progress bar's total
    int entries = 0;           // every header, whatever its kind
    int files = 0;
    int directories = 0;
    int links = 0;             // hard and symbolic links, which the launcher skips
    bool hasJava = false;      // bin/java.exe or bin/java: the names are relative to a runtime's home
    bool pack200 = false;      // lib/rt.jar.pack: the launcher restores the jars when jre_pack200 is set
};

// Counts one entry into summary.
void tallyTarEntry(const TarEntry& entry, RuntimeArchiveSummary* summary);

// Reads size bytes from offset of file, each XOR-ed with xorByte (0 for a
// plain file), as a runtime archive: gzip (concatenated members too) holding
// ustar entries that the launcher reads as a tar tool does: sizes it accepts,
// files and directories with names checkTarName accepts, no GNU long names or
// pax headers; unpacking to at most 2147483647 bytes. Streams; nothing is written.
// False, with a one-line *error, on the first problem.
bool readRuntimeArchive(const FileHandle& file, int64_t offset, int64_t size, unsigned char xorByte,
                        RuntimeArchiveSummary* summary, std::string* error);

// Writes the runtime in directory dir as a runtime archive at outPath: the
// same tree gives the same bytes (names sorted, each directory before its
// contents, fixed owner, mode and time). Refuses names longer than 99 bytes,
// links and other special files, files of 2 GiB or more. On failure *error
// names the file and outPath is removed.
bool writeRuntimeArchive(const std::string& dir, const std::string& outPath, RuntimeArchiveSummary* summary,
                         std::string* error);

}  // namespace kvellpack
