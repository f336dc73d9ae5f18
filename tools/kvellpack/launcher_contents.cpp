#include "launcher_contents.h"

#include <algorithm>
#include <filesystem>

#include "cp1252.h"
#include "file_io.h"
#include "included_names.h"
#include "list_values.h"
#include "payload/config_ids.h"
#include "payload/scramble.h"
#include "payload/stub_marker.h"
#include "pe_stub.h"

namespace kvellpack {

namespace {

bool fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

std::string stringEntry(const ConfigStore& store, int id)
{
    auto it = store.strings.find(id);
    return it == store.strings.end() ? std::string() : it->second;
}

// The records the launcher extracts: one per name of entry 2003, at most as
// many as entry 2002 says.
bool readRecords(const FileHandle& file, LauncherContents* contents, std::string* error)
{
    contents->declaredFiles = parseLeadingInt(stringEntry(contents->store, cfg::kIncludedFileCount).c_str());
    std::vector<std::string> names = splitList(stringEntry(contents->store, cfg::kIncludedFileNames));
    size_t count = std::min(names.size(), static_cast<size_t>(std::max(contents->declaredFiles, 0)));
    int64_t at = contents->layout.includedFilesOffset;
    for (size_t i = 0; i < count; ++i) {
        IncludedRecord record;
        record.name = names[i];
        int64_t size = 0;
        if (!seekFile(file, at) || !readLong(file, &size))
            return fail(error, "the record of included file '" + record.name + "' cannot be read");
        record.offset = at + 8;
        record.size = size;
        // Compared with what is left, not added first: a size near the int64
        // limit would overflow.
        if (size > contents->fileSize - record.offset)
            return fail(error, "included file '" + record.name + "' claims " + std::to_string(size) +
                                   " bytes, but the file ends before them");
        at = record.offset + std::max<int64_t>(size, 0);
        contents->records.push_back(record);
    }
    contents->recordsEnd = at;
    return true;
}

// The names come from the file being inspected: none may escape the directory
// or overwrite another.
bool checkRecordNames(const LauncherContents& contents, std::string* error)
{
    std::vector<std::string> seen;
    for (const IncludedRecord& record : contents.records) {
        std::string name = utf8FromCp1252(record.name);
        if (!checkIncludedName(name, error))
            return false;
        for (const std::string& earlier : seen) {
            if (sameFileName(earlier, name))
                return fail(error, "two included files are named '" + name + "'");
        }
        seen.push_back(name);
    }
    return true;
}

// The launcher unpacks the record of exactly this name; a damaged one is
// reported, not an error: the rest of the launcher is still worth seeing.
void readIncludedRuntime(const FileHandle& file, LauncherContents* contents)
{
    for (const IncludedRecord& record : contents->records) {
        if (record.name != kRuntimeArchiveName || record.size <= 0)
            continue;
        contents->hasRuntime = true;
        contents->runtime.packedSize = record.size;
        readRuntimeArchive(file, record.offset, record.size, kScrambleByte, &contents->runtime.summary,
                           &contents->runtime.damage);
    }
}

}  // namespace

bool readLauncher(const std::string& path, LauncherContents* contents, std::string* error)
{
    std::error_code ec;
    FileHandle file = std::filesystem::is_directory(path, ec) ? FileHandle() : openFileRead(path.c_str());
    if (!isOpen(file))
        return fail(error, "cannot open '" + path + "'");
    contents->fileSize = sizeOfFile(file);
    StubLayout stub;
    std::string why;
    if (!examineStub(file, &stub, &why))
        return fail(error, "'" + path + "' " + why);
    if (!isKvellStub(file, stub))
        return fail(error, "'" + path + "' is not a kvell launcher (it has no " KVELL_STUB_SECTION " section)");
    PayloadStatus status = readPayload(file, contents->store, &contents->layout);
    bool ok = false;
    if (status != PayloadStatus::Ok)
        *error = "'" + path + "' carries no readable Payload (" + payloadStatusText(status) + ")";
    else if (!readRecords(file, contents, error))
        *error = "'" + path + "' is damaged: " + *error;
    else
        ok = true;
    if (ok) {
        readIncludedRuntime(file, contents);
        contents->signatureOffset = stub.securitySize != 0 ? stub.securityOffset : 0;
        contents->signatureSize = stub.securitySize;
        readLauncherResources(file, contents->layout.payloadStart, &contents->resources);
    }
    return ok;
}

bool extractRecords(const std::string& path, const LauncherContents& contents, const std::string& dir,
                    std::string* error)
{
    if (!checkRecordNames(contents, error))
        return false;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir, ec))
        return fail(error, "cannot create directory '" + dir + "'");
    FileHandle in = openFileRead(path.c_str());
    if (!isOpen(in))
        return fail(error, "cannot open '" + path + "'");
    bool ok = true;
    for (const IncludedRecord& record : contents.records) {
        if (record.size <= 0)
            continue;
        std::string target = (std::filesystem::path(dir) / record.name).string();
        FileHandle out = createFileWrite(target.c_str());
        if (!isOpen(out)) {
            ok = fail(error, "cannot create '" + target + "'");
            break;
        }
        ok = seekFile(in, record.offset) && copyBytes(in, out, record.size, kScrambleByte) == CopyResult::Ok;
        if (!ok) {
            *error = "cannot extract '" + utf8FromCp1252(record.name) + "'";
            break;
        }
    }
    return ok;
}

}  // namespace kvellpack
