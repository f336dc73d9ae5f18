// The input is up to four VM options files, separated by NUL bytes, written as
// opts0.vmoptions ... opts3.vmoptions in the launcher's directory, which is also
// the working directory; opts0 is read. Lines may include the others
// ("-include-options opts1.vmoptions", also through %KVELL_EXEDIR%).
#include <unistd.h>

#include "fuzz_support.h"
#include "fs/platform.h"
#include "launch/vm_options_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    initScratch();
    if (chdir(runPath("").c_str()) != 0)
        fuzzCheckFailed("chdir to the scratch directory", __FILE__, __LINE__);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> files = splitInput(data, size, '\0');
    for (size_t i = 0; i < files.size() && i < 4; ++i) {
        const std::string& text = files[i];
        writeFile(runPath("opts" + std::to_string(i) + ".vmoptions"), reinterpret_cast<const uint8_t*>(text.data()),
                  text.size());
    }
    LaunchState state;
    state.extractionDir.assign(runPath("").c_str());
    state.runtimeHome.assign("/jre/bin/..");
    VmOptions vm;
    std::string first = runPath("opts0.vmoptions");
    readVmOptionsFile(openTextFile(first.c_str()), vm, state, first);
    FUZZ_CHECK(vm.openFiles.empty());
    for (const std::string& option : vm.options) {
        FUZZ_CHECK(option.size() < kTextBufferSize);
        FUZZ_CHECK(option.find('\n') == std::string::npos);
        FUZZ_CHECK(option.rfind("-include-options ", 0) != 0);
    }
    emptyRunDir();
    return 0;
}
