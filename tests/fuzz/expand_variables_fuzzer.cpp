// The input is NUL-separated: the text to expand, the extraction directory, a
// java.exe path for the runtime's home, the value of ${KVELL_FUZZ_VALUE}, then
// a pattern and a value for replaceAll.
#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "payload/expand_variables.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    initScratch();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> parts = splitInput(data, size, '\0');
    parts.resize(6);
    LaunchState state;
    state.extractionDir.assign(parts[1].c_str());
    setRuntimeHome(state, parts[2].c_str());
    FUZZ_CHECK(state.runtimeHome.size() < state.runtimeHome.capacity());
    setenv("KVELL_FUZZ_VALUE", parts[3].c_str(), 1);

    BoundedText text(parts[0].c_str());
    std::string before = text.c_str();
    expandVariables(text, state);
    FUZZ_CHECK(std::strlen(text.c_str()) < text.capacity());
    // Every placeholder begins with "%" or "${": without them nothing changes.
    if (before.find('%') == std::string::npos && before.find("${") == std::string::npos)
        FUZZ_CHECK(before == text.c_str());

    BoundedText small(parts[0].c_str(), 64);
    replaceAll(small, parts[4].c_str(), parts[5].c_str());
    FUZZ_CHECK(std::strlen(small.c_str()) < small.capacity());
    if (!parts[4].empty() && std::strstr(before.c_str(), parts[4].c_str()) == nullptr)
        FUZZ_CHECK(std::strncmp(before.c_str(), small.c_str(), 63) == 0);
    emptyRunDir();
    return 0;
}
