#include "payload_writer.h"

#include <filesystem>

#include "file_io.h"
#include "launcher_head.h"
#include "pe_checksum.h"
#include "pe_stub.h"
#include "payload/payload_reader.h"
#include "payload/scramble.h"
#include "payload/stub_marker.h"

namespace kvellpack {

namespace {

bool fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

void appendBytes(std::vector<unsigned char>& out, const void* data, size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

int64_t payloadSize(const Project& project, size_t entriesSize)
{
    int64_t size = static_cast<int64_t>(entriesSize);
    for (const IncludedFile& file : project.files)
        size += 8 + file.size;
    return size;
}

// Everything written goes through the checksum as well.
bool writeSummed(const FileHandle& out, const std::vector<unsigned char>& bytes, PeChecksum* sum)
{
    addToChecksum(sum, bytes.data(), bytes.size());
    return writeAll(out, bytes.data(), bytes.size());
}

// One record: the size, then the file's bytes XOR-ed with the scrambling byte,
// streamed so that large runtimes never sit in memory.
bool writeIncludedFile(const IncludedFile& file, const FileHandle& out, PeChecksum* sum, std::string* error)
{
    std::vector<unsigned char> size;
    appendLe64(size, static_cast<uint64_t>(file.size));
    if (!writeSummed(out, size, sum))
        return fail(error, "cannot write the record of '" + file.name + "'");
    FileHandle in = openFileRead(file.path.c_str());
    if (!isOpen(in))
        return fail(error, "cannot open included file '" + file.path + "'");
    CopyResult copied = copyBytes(in, out, file.size, kScrambleByte,
                                  [sum](const unsigned char* bytes, size_t n) { addToChecksum(sum, bytes, n); });
    unsigned char extra = 0;
    uint32_t more = 0;
    bool grew = copied == CopyResult::Ok && readFileBytes(in, &extra, 1, &more) && more > 0;
    if (copied == CopyResult::WriteFailed)
        return fail(error, "cannot write the contents of '" + file.name + "'");
    if (copied != CopyResult::Ok || grew)
        return fail(error, "included file '" + file.path + "' changed size while it was being packed");
    return true;
}

// The head, the entries, the files; then the checksum of it all goes into the
// field that the head left zero.
bool writeLauncher(const LauncherHead& head, int64_t checksumOffset, const Project& project,
                   const std::vector<unsigned char>& entries, const FileHandle& out, std::string* error)
{
    PeChecksum sum;
    if (!writeSummed(out, head.bytes, &sum))
        return fail(error, "cannot write the launcher's headers");
    if (!writeSummed(out, entries, &sum))
        return fail(error, "cannot write the configuration entries");
    for (const IncludedFile& file : project.files) {
        if (!writeIncludedFile(file, out, &sum, error))
            return false;
    }
    std::vector<unsigned char> checksum;
    appendLe32(checksum, finishChecksum(sum));
    return (seekFile(out, checksumOffset) && writeAll(out, checksum.data(), checksum.size())) ||
           fail(error, "cannot write the launcher's checksum");
}

// The finished temporary file becomes the output, executable like the stub.
bool replaceOutput(const std::string& temp, const std::string& stubPath, const std::string& outPath,
                   std::string* error)
{
    std::error_code ec;
    auto status = std::filesystem::status(stubPath, ec);
    if (!ec)
        std::filesystem::permissions(temp, status.permissions(), ec);
    std::filesystem::rename(temp, outPath, ec);
    return !ec || fail(error, "cannot write '" + outPath + "': " + ec.message());
}

}  // namespace

std::vector<unsigned char> encodeEntries(const Project& project)
{
    std::vector<unsigned char> out;
    appendLe32(out, kPayloadMagic);
    appendLe32(out, static_cast<uint32_t>(project.strings.size()));
    for (const auto& [id, text] : project.strings) {
        appendLe32(out, static_cast<uint32_t>(id));
        appendLe32(out, static_cast<uint32_t>(text.size()));
        appendBytes(out, text.data(), text.size());
    }
    appendLe32(out, static_cast<uint32_t>(project.wides.size()));
    for (const auto& [id, text] : project.wides) {
        appendLe32(out, static_cast<uint32_t>(id));
        appendLe32(out, static_cast<uint32_t>(text.size() * 2));
        for (WideChar unit : text) {
            out.push_back(static_cast<unsigned char>(unit & 0xFF));
            out.push_back(static_cast<unsigned char>((unit >> 8) & 0xFF));
        }
    }
    return out;
}

bool packLauncher(const std::string& stubPath, const Project& project, const std::string& outPath,
                  PackResult* result, std::string* error)
{
    std::error_code ec;
    FileHandle stub = std::filesystem::is_directory(stubPath, ec) ? FileHandle() : openFileRead(stubPath.c_str());
    if (!isOpen(stub))
        return fail(error, "cannot open stub '" + stubPath + "'");
    StubLayout layout;
    std::string why;
    if (!examineStub(stub, &layout, &why))
        return fail(error, "stub '" + stubPath + "' " + why);
    if (!isKvellStub(stub, layout))
        return fail(error, "stub '" + stubPath + "' is not a kvell launcher (it has no " KVELL_STUB_SECTION
                           " section); pack onto kvell.exe or a launcher packed from it");
    LauncherHead head;
    if (!buildLauncherHead(stub, layout, project.resources, &head, &why))
        return fail(error, "stub '" + stubPath + "' " + why);
    int64_t payloadStart = static_cast<int64_t>(head.bytes.size());
    std::vector<unsigned char> entries = encodeEntries(project);
    int64_t total = payloadStart + payloadSize(project, entries.size());
    if (total > kMaxLauncherSize) {
        return fail(error, "the launcher would be " + std::to_string(total) +
                               " bytes; it reads its Payload with 32-bit positions and must stay below 2 GiB");
    }
    std::string temp = outPath + ".kvellpack-part";
    FileHandle out = createFileWrite(temp.c_str());
    if (!isOpen(out))
        return fail(error, "cannot write '" + outPath + "'");
    bool ok = writeLauncher(head, layout.checksumOffset, project, entries, out, error);
    // Closed before the output replaces its target (Windows renames no open file).
    out.reset();
    stub.reset();
    if (!(ok && replaceOutput(temp, stubPath, outPath, error))) {
        deleteFileAt(temp.c_str());
        return false;
    }
    result->payloadStart = payloadStart;
    result->fileSize = total;
    result->droppedBytes = layout.fileSize - layout.payloadStart;
    result->droppedSignature = layout.securitySize != 0;
    result->replacedResources = head.replacedResources;
    return true;
}

}  // namespace kvellpack
