// The input is a project file. kvellpack reads it (relative paths against a
// directory holding app.jar, lib.txt and empty.dat); when it is accepted, it is
// packed onto a minimal stub and read back the launcher's way: the entries and
// the included files must come back as the project gave them.
#include <filesystem>

#include "fuzz_support.h"
#include "tools/kvellpack/launcher_contents.h"
#include "tools/kvellpack/payload_writer.h"
#include "tools/kvellpack/project_file.h"
#include "test_support.h"

namespace {

constexpr int64_t kLargestPackedFile = 1 << 20;  // absolute paths may name anything on the machine

void checkRoundTrip(const kvellpack::Project& project)
{
    for (const kvellpack::IncludedFile& file : project.files) {
        if (file.size > kLargestPackedFile)
            return;
    }
    std::string out = runPath("packed.exe");
    kvellpack::PackResult result;
    std::string error;
    FUZZ_CHECK(kvellpack::packLauncher(fixedPath("stub.exe"), project, out, &result, &error));
    kvellpack::LauncherContents contents;
    FUZZ_CHECK(kvellpack::readLauncher(out, &contents, &error));
    FUZZ_CHECK(contents.store.strings == project.strings);
    FUZZ_CHECK(contents.store.wides == project.wides);
    FUZZ_CHECK(contents.records.size() == project.files.size());
    for (size_t i = 0; i < project.files.size(); ++i) {
        FUZZ_CHECK(contents.records[i].name == project.files[i].name);
        FUZZ_CHECK(contents.records[i].size == project.files[i].size);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    initScratch();
    Bytes stub = makeFakePe();
    writeFile(fixedPath("stub.exe"), stub.data(), stub.size());
    const uint8_t jar[] = {'P', 'K', 3, 4, 0, 1, 2, 3};
    writeFile(fixedPath("app.jar"), jar, sizeof jar);
    writeFile(fixedPath("lib.txt"), reinterpret_cast<const uint8_t*>("lib\n"), 4);
    writeFile(fixedPath("empty.dat"), nullptr, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    kvellpack::Project project;
    std::string error;
    if (kvellpack::loadProjectText(text, "fuzz.toml", fixedPath(""), &project, &error))
        checkRoundTrip(project);
    else
        FUZZ_CHECK(error.rfind("fuzz.toml:", 0) == 0);
    emptyRunDir();
    return 0;
}
