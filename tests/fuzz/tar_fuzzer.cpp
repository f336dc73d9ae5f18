// The input is a tar archive, uncompressed. Every full block at a 512-byte
// boundary goes through the header parser: an accepted name stays below its
// directory, an accepted size reads back the same from its octal form. Then
// the archive, gzip-compressed, goes through untarGz into an empty directory:
// nothing may appear beside it, and the result and the files must be those of
// a walk over the entries with the same parser (archives where that walk
// meets a file that cannot be created, which ends the process, are left out).
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "fuzz_support.h"
#include "installer/progress.h"
#include "installer/untar_gz.h"
#include "payload/tar_header.h"

namespace fs = std::filesystem;

namespace {

void checkHeader(const unsigned char* block)
{
    char name[kTarNameSize + 1];
    if (tarEntryName(block, tarTypeFlag(block) == kTarDirectory, '/', name) == TarNameFault::None) {
        std::string joined = (fs::path("/t") / name).lexically_normal().string();
        FUZZ_CHECK(joined.rfind("/t/", 0) == 0 && joined.size() > 3);
    }
    int32_t size = 0;
    if (parseTarSize(block, &size)) {
        FUZZ_CHECK(size >= 0);
        unsigned char octal[kTarBlockSize] = {};
        std::snprintf(reinterpret_cast<char*>(octal) + 124, 13, "%011o ", static_cast<unsigned>(size));
        int32_t again = -1;
        FUZZ_CHECK(parseTarSize(octal, &again) && again == size);
    }
}

struct Walk {
    bool ok = false;      // the reader must succeed
    bool fatal = false;   // a file cannot be created
    std::map<std::string, std::string> files;
};

// The entries as the reader takes them, with the directories it can create.
Walk walk(const std::string& tar)
{
    Walk result;
    std::set<std::string> dirs{""};
    size_t position = 0;
    for (;;) {
        if (position == tar.size() || (position + kTarBlockSize <= tar.size() && !hasUstarMagic(
                                           reinterpret_cast<const unsigned char*>(tar.data() + position)))) {
            result.ok = !result.files.empty();
            return result;
        }
        if (position + kTarBlockSize > tar.size())
            return result;
        const unsigned char* header = reinterpret_cast<const unsigned char*>(tar.data() + position);
        int32_t size = 0;
        char name[kTarNameSize + 1];
        char type = tarTypeFlag(header);
        bool created = type == kTarDirectory || type == kTarRegularFile;
        if (!parseTarSize(header, &size) || (created && tarEntryName(header, type == kTarDirectory, '/', name) != TarNameFault::None))
            return result;
        size_t data = position + kTarBlockSize;
        position = data + size + (kTarBlockSize - size % kTarBlockSize) % kTarBlockSize;
        std::string path = created ? name : "";
        size_t slash = path.find_last_of('/');
        std::string parent = slash == std::string::npos ? "" : path.substr(0, slash);
        // The reader creates the file before it meets the end of the data.
        if (type == kTarRegularFile && (dirs.count(parent) == 0 || dirs.count(path) != 0)) {
            result.fatal = true;
            return result;
        }
        if (position > tar.size())
            return result;
        if (type == kTarDirectory && dirs.count(parent) != 0 && result.files.count(path) == 0)
            dirs.insert(path);
        if (type == kTarRegularFile)
            result.files[path] = tar.substr(data, static_cast<size_t>(size));
    }
}

std::set<std::string> regularFiles(const fs::path& dir)
{
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file())
            names.insert(fs::relative(entry.path(), dir).string());
    }
    return names;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    initScratch();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string tar(reinterpret_cast<const char*>(data), size);
    for (size_t at = 0; at + kTarBlockSize <= size; at += kTarBlockSize)
        checkHeader(data + at);
    if (size >= 16) {
        int64_t done, total;
        std::memcpy(&done, data, 8);
        std::memcpy(&total, data + 8, 8);
        int position = progressPosition(done, total);
        FUZZ_CHECK(position >= 1 && position <= 100);
    }

    Walk expected = walk(tar);
    if (expected.fatal)
        return 0;
    std::string archive = runPath("a.tar.gz"), target = runPath("t");
    gzFile gz = gzopen(archive.c_str(), "wb1");
    gzwrite(gz, data, static_cast<unsigned>(size));
    gzclose(gz);
    fs::create_directory(target);
    bool ok = untarGz(archive.c_str(), target.c_str(), nullptr, static_cast<int64_t>(size));
    for (const fs::directory_entry& entry : fs::directory_iterator(runPath(""))) {
        std::string name = entry.path().filename().string();
        FUZZ_CHECK(name == "a.tar.gz" || name == "t" || name.rfind("qmr_nlog_", 0) == 0);
    }
    FUZZ_CHECK(ok == expected.ok);
    if (ok) {
        std::set<std::string> names;
        for (const auto& [name, content] : expected.files) {
            names.insert(name);
            FUZZ_CHECK(readFile(target + "/" + name) == content);
        }
        FUZZ_CHECK(regularFiles(target) == names);
    }
    emptyRunDir();
    return 0;
}
