// Extraction throughput under Windows (or Wine): the launcher's own copy loop
// (8 KiB buffer, descrambling) against plain copies through an 8 KiB and a
// 1 MiB buffer with the same Windows calls, and the peak memory of the process.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fs/platform.h"
#include "payload/included_files.h"

#include "bench_clock.h"

namespace {

bool makeSource(const char* path, long long bytes)
{
    FileHandle out = createFileWrite(path);
    if (!isOpen(out))
        return false;
    std::vector<unsigned char> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<unsigned char>(i * 131 + 7);
    for (long long done = 0; done < bytes; done += static_cast<long long>(block.size())) {
        uint32_t written = 0;
        if (!writeFileBytes(out, block.data(), static_cast<uint32_t>(block.size()), &written))
            return false;
    }
    out.reset();
    return true;
}

// Plain copy with the same calls as the launcher, no descrambling.
bool plainCopy(const char* from, const char* to, long long bytes, size_t bufferSize)
{
    FileHandle in = openFileRead(from);
    FileHandle out = createFileWrite(to);
    std::vector<unsigned char> buffer(bufferSize);
    long long done = 0;
    while (done < bytes) {
        uint32_t want = static_cast<uint32_t>(bytes - done < static_cast<long long>(bufferSize) ? bytes - done : bufferSize);
        uint32_t got = 0, written = 0;
        if (!readFileBytes(in, buffer.data(), want, &got) || got == 0)
            return false;
        if (!writeFileBytes(out, buffer.data(), got, &written) || written != got)
            return false;
        done += got;
    }
    in.reset();
    out.reset();
    return true;
}

double timeLauncherCopy(const char* from, const char* to, long long bytes)
{
    double start = now();
    FileHandle in = openFileRead(from);
    FileHandle out = createFileWrite(to);
    int result = copyBytes(in, out, bytes, true);
    in.reset();
    out.reset();
    double elapsed = now() - start;
    return result == 0 ? elapsed : -1;
}

double timePlain(const char* from, const char* to, long long bytes, size_t bufferSize)
{
    double start = now();
    return plainCopy(from, to, bytes, bufferSize) ? now() - start : -1;
}

} // namespace

int main(int argc, char** argv)
{
    long long mib = argc > 1 ? std::atoll(argv[1]) : 200;
    const char* dir = argc > 2 ? argv[2] : ".";
    long long bytes = mib << 20;
    char source[MAX_PATH], target[MAX_PATH];
    std::snprintf(source, sizeof source, "%s\\bench_source.bin", dir);
    std::snprintf(target, sizeof target, "%s\\bench_target.bin", dir);
    if (!makeSource(source, bytes)) {
        std::fprintf(stderr, "cannot write %s\n", source);
        return 1;
    }
    if (argc > 3 && std::string(argv[3]) == "memory") {
        // Only the launcher's copy, for its peak memory on a large file.
        double t = timeLauncherCopy(source, target, bytes);
        PROCESS_MEMORY_COUNTERS memory{};
        GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
        DeleteFileA(source);
        DeleteFileA(target);
        std::printf("extracted %lld MiB in %.2f s; peak working set %.1f MiB, peak private bytes %.1f MiB\n", mib, t,
                    static_cast<double>(memory.PeakWorkingSetSize) / (1 << 20),
                    static_cast<double>(memory.PeakPagefileUsage) / (1 << 20));
        return t < 0 ? 1 : 0;
    }
    // Warm the file cache once, then take the best of three runs of each.
    timePlain(source, target, bytes, 1 << 20);
    double best[3] = {1e9, 1e9, 1e9};
    for (int round = 0; round < 3; ++round) {
        double t[3] = {timeLauncherCopy(source, target, bytes), timePlain(source, target, bytes, 8192),
                       timePlain(source, target, bytes, 1 << 20)};
        for (int i = 0; i < 3; ++i) {
            if (t[i] < 0) {
                std::fprintf(stderr, "copy %d failed\n", i);
                return 1;
            }
            if (t[i] < best[i])
                best[i] = t[i];
        }
    }
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    DeleteFileA(source);
    DeleteFileA(target);
    double mb = static_cast<double>(mib);
    std::printf("extraction (8 KiB, descrambled): %8.1f MiB/s\n", mb / best[0]);
    std::printf("plain copy (a) 8 KiB buffer:      %8.1f MiB/s\n", mb / best[1]);
    std::printf("plain copy (b) 1 MiB buffer:      %8.1f MiB/s\n", mb / best[2]);
    std::printf("extraction / (a): %.2f   extraction / (b): %.2f   (a) / (b): %.2f\n", best[1] / best[0],
                best[2] / best[0], best[2] / best[1]);
    std::printf("peak working set: %.1f MiB\n", static_cast<double>(memory.PeakWorkingSetSize) / (1 << 20));
    return 0;
}
