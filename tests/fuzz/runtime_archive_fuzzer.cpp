// The input is a tar stream, which the harness gzips: kvellpack must read it
// alike as a plain jre.tar.gz and as a scrambled record inside a launcher, and
// an archive it accepts must measure the whole stream (entry 151).
#include <string>

#include <zlib.h>

#include "fuzz_support.h"
#include "payload/scramble.h"
#include "tools/kvellpack/runtime_archive.h"

namespace {

std::string gzip(const uint8_t* data, size_t size)
{
    z_stream z{};
    deflateInit2(&z, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string packed(deflateBound(&z, size) + 32, '\0');
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(size);
    z.next_out = reinterpret_cast<Bytef*>(packed.data());
    z.avail_out = static_cast<uInt>(packed.size());
    FUZZ_CHECK(deflate(&z, Z_FINISH) == Z_STREAM_END);
    packed.resize(z.total_out);
    deflateEnd(&z);
    return packed;
}

bool read(const std::string& path, int64_t offset, int64_t size, unsigned char xorByte,
          kvellpack::RuntimeArchiveSummary* summary, std::string* error)
{
    FileHandle file = openFileRead(path.c_str());
    FUZZ_CHECK(isOpen(file));
    return kvellpack::readRuntimeArchive(file, offset, size, xorByte, summary, error);
}

bool sameSummary(const kvellpack::RuntimeArchiveSummary& a, const kvellpack::RuntimeArchiveSummary& b)
{
    return a.unpackedSize == b.unpackedSize && a.entries == b.entries && a.files == b.files &&
           a.directories == b.directories && a.links == b.links && a.hasJava == b.hasJava && a.pack200 == b.pack200;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    initScratch();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string packed = gzip(data, size);
    std::string plainPath = runPath("jre.tar.gz");
    writeFile(plainPath, reinterpret_cast<const uint8_t*>(packed.data()), packed.size());
    // As a launcher holds it: after other bytes, scrambled, followed by more.
    std::string record = "MZ\x01";
    for (char c : packed)
        record += static_cast<char>(c ^ kScrambleByte);
    record += "tail";
    std::string recordPath = runPath("launcher.exe");
    writeFile(recordPath, reinterpret_cast<const uint8_t*>(record.data()), record.size());

    kvellpack::RuntimeArchiveSummary plain, scrambled;
    std::string plainError, scrambledError;
    bool ok = read(plainPath, 0, static_cast<int64_t>(packed.size()), 0, &plain, &plainError);
    bool okScrambled = read(recordPath, 3, static_cast<int64_t>(packed.size()), kScrambleByte, &scrambled,
                            &scrambledError);
    FUZZ_CHECK(ok == okScrambled);
    FUZZ_CHECK(plainError == scrambledError);
    if (ok) {
        FUZZ_CHECK(sameSummary(plain, scrambled));
        FUZZ_CHECK(plain.unpackedSize == static_cast<int64_t>(size));
        FUZZ_CHECK(plain.entries > 0 && plain.files + plain.directories + plain.links <= plain.entries);
    } else {
        FUZZ_CHECK(!plainError.empty());
    }
    emptyRunDir();
    return 0;
}
