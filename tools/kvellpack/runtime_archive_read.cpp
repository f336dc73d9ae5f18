// Checking a runtime archive the way the launcher will read it: inflated and
// walked header by header as a stream, so a runtime of hundreds of megabytes
// never sits in memory.
#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include <zlib.h>

#include "runtime_archive.h"

namespace kvellpack {

namespace {

constexpr size_t kChunk = 64 * 1024;

bool fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

// The region being read, descrambled chunk by chunk.
struct Input {
    const FileHandle& file;
    int64_t left;
    unsigned char xorByte;
    std::vector<unsigned char> buffer = std::vector<unsigned char>(kChunk);

    // False when the file cannot be read; at the region's end nothing is added.
    bool refill(z_stream& z)
    {
        if (left == 0)
            return true;
        uint32_t got = 0;
        uint32_t want = static_cast<uint32_t>(std::min<int64_t>(left, kChunk));
        if (!readFileBytes(file, buffer.data(), want, &got) || got == 0)
            return false;
        for (uint32_t i = 0; i < got; ++i)
            buffer[i] ^= xorByte;
        z.next_in = buffer.data();
        z.avail_in = got;
        left -= got;
        return true;
    }
};

struct TarWalk {
    RuntimeArchiveSummary* summary = nullptr;
    unsigned char header[kTarBlockSize];
    size_t headerFill = 0;
    int64_t skip = 0;    // data and padding of the current entry not yet passed
    bool ended = false;  // a zero block: what follows is padding
    std::string error;
};

bool checkEntry(const TarEntry& entry, std::string* error)
{
    // These carry the real name of the next entry, which the launcher would
    // unpack under its shortened ustar name.
    if (entry.type == 'L' || entry.type == 'K' || entry.type == 'x')
        return fail(error, "entry '" + entry.name + "' is a GNU long-name or pax header, but the launcher reads only "
                                                    "ustar names of at most 99 bytes (tar --format=ustar)");
    // The launcher skips other kinds without looking at their names.
    bool created = entry.type == kTarRegularFile || entry.type == kTarDirectory;
    if (created && !checkTarName(entry.name, entry.type == kTarDirectory, error)) {
        if (entry.name.rfind("./", 0) == 0)  // what "tar -C home -czf jre.tar.gz ." writes
            *error += " (name the runtime's contents instead: tar -C home -czf jre.tar.gz bin lib ..., or use "
                      "runtime_dir)";
        return false;
    }
    return true;
}

bool feed(TarWalk& walk, const unsigned char* data, size_t size)
{
    while (size > 0 && !walk.ended) {
        if (walk.skip > 0) {
            size_t passed = static_cast<size_t>(std::min<int64_t>(walk.skip, static_cast<int64_t>(size)));
            data += passed;
            size -= passed;
            walk.skip -= static_cast<int64_t>(passed);
            continue;
        }
        size_t taken = std::min(kTarBlockSize - walk.headerFill, size);
        std::memcpy(walk.header + walk.headerFill, data, taken);
        walk.headerFill += taken;
        data += taken;
        size -= taken;
        if (walk.headerFill < kTarBlockSize)
            break;
        walk.headerFill = 0;
        if (isZeroBlock(walk.header)) {
            walk.ended = true;
            break;
        }
        TarEntry entry;
        if (!parseTarHeader(walk.header, &entry, &walk.error) || !checkEntry(entry, &walk.error))
            return false;
        tallyTarEntry(entry, walk.summary);
        walk.skip = paddedTarSize(entry.size);
    }
    return true;
}

// Inflates member after member into the walk, counting the tar's bytes.
bool inflateInto(z_stream& z, Input& input, TarWalk& walk, std::string* error)
{
    std::vector<unsigned char> out(kChunk);
    int64_t& total = walk.summary->unpackedSize;
    for (;;) {
        if (z.avail_in == 0 && !input.refill(z))
            return fail(error, "cannot be read");
        z.next_out = out.data();
        z.avail_out = kChunk;
        int result = inflate(&z, Z_NO_FLUSH);
        size_t produced = kChunk - z.avail_out;
        total += static_cast<int64_t>(produced);
        if (total > INT_MAX)
            return fail(error, "unpacks to more than 2147483647 bytes, more than the launcher's entry 151 can hold");
        if (!feed(walk, out.data(), produced))
            return fail(error, walk.error);
        if (result == Z_STREAM_END) {
            if (z.avail_in == 0 && input.left == 0)
                return true;
            inflateReset(&z);  // another gzip member follows
        } else if (result == Z_BUF_ERROR) {
            return fail(error, "the gzip data ends early");  // input and room were given: the input is used up
        } else if (result != Z_OK) {
            return fail(error, std::string("damaged gzip data (") + (z.msg != nullptr ? z.msg : "zlib error") + ")");
        }
    }
}

}  // namespace

bool readRuntimeArchive(const FileHandle& file, int64_t offset, int64_t size, unsigned char xorByte,
                        RuntimeArchiveSummary* summary, std::string* error)
{
    *summary = RuntimeArchiveSummary();
    unsigned char magic[2] = {0, 0};
    uint32_t got = 0;
    if (!seekFile(file, offset) || (size >= 2 && !readFileBytes(file, magic, 2, &got)))
        return fail(error, "cannot be read");
    if (size < 2 || got < 2 || (magic[0] ^ xorByte) != 0x1F || (magic[1] ^ xorByte) != 0x8B)
        return fail(error, "is not gzip-compressed");
    z_stream z{};
    if (!seekFile(file, offset) || inflateInit2(&z, 15 + 16) != Z_OK)  // 16: a gzip wrapper only
        return fail(error, "cannot be read");
    Input input{file, size, xorByte};
    TarWalk walk;
    walk.summary = summary;
    bool ok = inflateInto(z, input, walk, error);
    inflateEnd(&z);
    if (ok && !walk.ended && (walk.skip > 0 || walk.headerFill > 0))
        ok = fail(error, "the tar data ends inside an entry");
    if (ok && summary->entries == 0)
        ok = fail(error, "holds no entries");
    return ok;
}

}  // namespace kvellpack
