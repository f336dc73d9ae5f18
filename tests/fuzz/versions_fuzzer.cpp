// Version rules on NUL-separated parts: a version, a minimum, a maximum and a
// line of "java -version" output; the first byte of the input allows betas.
#include <cstring>

#include "fuzz_support.h"
#include "jvm/version_rules.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    initScratch();  // the log of refused betas goes there
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> parts = splitInput(data, size, '\0');
    parts.resize(4);
    const char* version = parts[0].c_str();
    bool allowBeta = size > 0 && (data[0] & 1) != 0;
    isVersionAccepted(version, parts[1].c_str(), parts[2].c_str(), allowBeta);
    isKeyVersionInRange(version, parts[1].c_str(), parts[2].c_str());
    // Limits are inclusive; empty limits do not restrict.
    FUZZ_CHECK(isVersionAccepted(version, version, version, true));
    FUZZ_CHECK(isVersionAccepted(version, "", "", true));
    FUZZ_CHECK(isKeyVersionInRange(version, version, version));

    for (size_t cap : {size_t{1}, size_t{8}, size_t{256}}) {
        char parsed[256];
        std::memset(parsed, 'x', sizeof parsed);
        if (parseVersionLine(parts[3].c_str(), parsed, cap)) {
            size_t length = std::strlen(parsed);
            FUZZ_CHECK(length > 0 && length < cap);
            FUZZ_CHECK(parts[3].find("\"" + std::string(parsed) + "\"") != std::string::npos);
        }
    }
    emptyRunDir();
    return 0;
}
