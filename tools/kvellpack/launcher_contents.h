// What a packed launcher carries, read the way the launcher reads it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "payload/config_store.h"
#include "payload/payload_reader.h"
#include "resource_report.h"
#include "runtime_archive.h"

namespace kvellpack {

struct IncludedRecord {
    std::string name;     // from entry 2003
    int64_t offset = 0;   // of the first content byte
    int64_t size = 0;     // as the record says; 0 or less: no content
};

// The included jre.tar.gz, read from its record.
struct IncludedRuntime {
    int64_t packedSize = 0;
    RuntimeArchiveSummary summary;
    std::string damage;  // why the launcher could not unpack it; empty when it can
};

struct LauncherContents {
    ConfigStore store;
    PayloadLayout layout;
    int64_t fileSize = 0;
    int declaredFiles = 0;  // entry 2002
    std::vector<IncludedRecord> records;  // those the launcher extracts
    int64_t recordsEnd = 0;
    bool hasRuntime = false;  // a record named jre.tar.gz with contents
    IncludedRuntime runtime;
    uint32_t signatureOffset = 0;  // 0 when the file carries no signature
    uint32_t signatureSize = 0;
    LauncherResources resources;
};

// False, with *error, when the file cannot be opened or its Payload is damaged.
bool readLauncher(const std::string& path, LauncherContents* contents, std::string* error);

// Writes the descrambled included files into dir (created when missing).
bool extractRecords(const std::string& path, const LauncherContents& contents, const std::string& dir,
                    std::string* error);

}  // namespace kvellpack
