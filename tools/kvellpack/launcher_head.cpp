#include "launcher_head.h"

#include "file_io.h"
#include "resource_edit.h"
#include "resource_section.h"

namespace kvellpack {

namespace {

bool fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

void clearField(Bytes& bytes, int64_t at, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        bytes[static_cast<size_t>(at) + i] = 0;
}

}  // namespace

bool buildLauncherHead(const FileHandle& stub, const StubLayout& layout, const ResourceSettings& resources,
                       LauncherHead* head, std::string* error)
{
    Bytes& bytes = head->bytes;
    bytes.assign(static_cast<size_t>(layout.payloadStart), 0);
    if (!readAt(stub, 0, bytes.data(), static_cast<uint32_t>(bytes.size())))
        return fail(error, "cannot be read");
    // A signature over other bytes and a checksum of other bytes (the writer
    // sums the new file into the field at the end).
    clearField(bytes, layout.checksumOffset, 4);
    if (layout.securityEntryOffset >= 0)
        clearField(bytes, layout.securityEntryOffset, 8);
    // Packing again starts from the stub's own resources.
    if (!removeAddedSection(&bytes, &head->replacedResources, error))
        return false;
    if (!resources.any())
        return true;
    ResourceList list;
    bool added = false;
    return readImageResources(bytes, &list, &added, error) && applyResourceSettings(resources, &list, error) &&
           addResourceSection(&bytes, list, error);
}

}  // namespace kvellpack
