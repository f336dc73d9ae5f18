// The runtime archive reader under Windows (or Wine), one measurement per run
// so that each has its own peak memory:
//   untar_bench.exe inflate ARCHIVE      gzread of the whole archive into one
//                                        buffer, nothing written
//   untar_bench.exe untar ARCHIVE DIR    untarGz into DIR (created here)
// Prints "seconds S bytes B peak_working_set_mib W peak_private_mib P".
#include <windows.h>
#include <psapi.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "installer/untar_gz.h"

#include "bench_clock.h"

namespace {

// The reader's own settings: a 128 KiB zlib buffer, 32 KiB reads.
long long inflateAll(const char* archive)
{
    gzFile gz = gzopen(archive, "rb");
    if (gz == nullptr)
        return -1;
    gzbuffer(gz, 128 * 1024);
    std::vector<unsigned char> buffer(32768);
    long long total = 0;
    int got;
    while ((got = gzread(gz, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0)
        total += got;
    gzclose(gz);
    return got < 0 ? -1 : total;
}

} // namespace

int main(int argc, char** argv)
{
    bool inflateOnly = argc == 3 && std::strcmp(argv[1], "inflate") == 0;
    if (!inflateOnly && !(argc == 4 && std::strcmp(argv[1], "untar") == 0)) {
        std::fprintf(stderr, "usage: untar_bench inflate ARCHIVE | untar ARCHIVE DIR\n");
        return 2;
    }
    if (!inflateOnly && !CreateDirectoryA(argv[3], nullptr)) {
        std::fprintf(stderr, "cannot create %s\n", argv[3]);
        return 1;
    }
    double start = now();
    long long bytes = inflateOnly ? inflateAll(argv[2]) : (untarGz(argv[2], argv[3], nullptr, 0) ? 0 : -1);
    double seconds = now() - start;
    if (bytes < 0) {
        std::fprintf(stderr, "%s failed\n", argv[1]);
        return 1;
    }
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("seconds %.3f bytes %lld peak_working_set_mib %.1f peak_private_mib %.1f\n", seconds, bytes,
                static_cast<double>(memory.PeakWorkingSetSize) / (1 << 20),
                static_cast<double>(memory.PeakPagefileUsage) / (1 << 20));
    return 0;
}
