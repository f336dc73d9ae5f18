// The input is a whole launcher file. kvellpack's inspect reads it; when it
// accepts the file, the launcher's own extraction must extract exactly the
// records inspect found, byte for byte, or refuse the first unsafe name.
#include <climits>
#include <cstring>
#include <map>
#include <vector>

#include "fuzz_support.h"
#include "fs/platform.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "payload/included_files.h"
#include "payload/payload_reader.h"
#include "payload/scramble.h"
#include "tools/kvellpack/launcher_contents.h"
#include "tools/kvellpack/report.h"

namespace {

// The launcher cuts entry 2003 to its 8192-byte buffer; only uncut lists give
// it the same names as inspect. Names past NAME_MAX cannot be created here at
// all (the launcher ends the process for that, as it does on Windows).
bool sameNamesAsLauncher(const kvellpack::LauncherContents& contents)
{
    auto names = contents.store.strings.find(cfg::kIncludedFileNames);
    if (names != contents.store.strings.end() && names->second.size() >= 8192)
        return false;
    for (const kvellpack::IncludedRecord& record : contents.records) {
        if (record.name.size() > NAME_MAX)
            return false;
    }
    return true;
}

void checkExtraction(const std::string& file, const kvellpack::LauncherContents& contents, const PayloadLayout& layout)
{
    configStore() = contents.store;
    LaunchState state;
    state.includedFilesOffset = layout.includedFilesOffset;
    int result = extractIncludedFiles(state);

    // The launcher checks every name before it writes anything.
    std::vector<std::string> names;
    for (const kvellpack::IncludedRecord& record : contents.records)
        names.push_back(record.name);
    bool unsafe = !mayExtractNames(names);
    int64_t end = layout.includedFilesOffset;
    std::map<std::string, const kvellpack::IncludedRecord*> last;
    for (const kvellpack::IncludedRecord& record : contents.records) {
        last[record.name] = &record;
        end = record.offset + (record.size > 0 ? record.size : 0);
    }
    FUZZ_CHECK(result == (unsafe ? kCopyWriteFailed : kCopyOk));
    if (unsafe || contents.records.empty())
        return;
    FUZZ_CHECK(state.unextractedPosition == end);
    for (const auto& [name, record] : last) {
        if (record->size <= 0)
            continue;
        std::string expected = file.substr(static_cast<size_t>(record->offset), static_cast<size_t>(record->size));
        for (char& c : expected)
            c = static_cast<char>(c ^ kScrambleByte);
        FUZZ_CHECK(readFile(std::string(state.extractionDir.c_str()) + "/" + name) == expected);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    initScratch();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = runPath("launcher.exe");  // KVELL_LAUNCHER_PATH: the launcher reads itself
    writeFile(path, data, size);
    kvellpack::LauncherContents contents;
    std::string error;
    if (kvellpack::readLauncher(path, &contents, &error)) {
        kvellpack::describeLauncher(path, contents);
        if (sameNamesAsLauncher(contents))
            checkExtraction(std::string(reinterpret_cast<const char*>(data), size), contents, contents.layout);
    } else {
        FUZZ_CHECK(!error.empty());
    }
    configStore() = ConfigStore();
    emptyRunDir();
    return 0;
}
