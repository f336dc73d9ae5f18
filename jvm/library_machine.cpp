#include "jvm/library_machine.h"

#include <cstring>
#include <string>

#include "diag/log.h"
#include "fs/paths.h"
#include "fs/platform.h"
#include "jvm/jvm_library.h"
#include "jvm/jvm_platform.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

namespace {
constexpr uint32_t kPeOffsetField = 0x3C;

bool readAt(const FileHandle& file, int64_t position, void* buffer, uint32_t size)
{
    uint32_t got = 0;
    return seekFile(file, position) && readFileBytes(file, buffer, size, &got) && got == size;
}

uint32_t littleEndian(const unsigned char* bytes, int count)
{
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | bytes[i];
    return value;
}

// The directory part of a path, without its last separator.
std::string directoryOf(const std::string& path)
{
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}
} // namespace

bool readPeMachine(const char* path, uint16_t* machine)
{
    FileHandle file = openFileRead(path);
    unsigned char dos[2];
    unsigned char offset[4];
    unsigned char header[6];  // "PE\0\0" and the machine
    if (!isOpen(file) || !readAt(file, 0, dos, sizeof dos) || std::memcmp(dos, "MZ", 2) != 0 ||
        !readAt(file, kPeOffsetField, offset, sizeof offset) ||
        !readAt(file, littleEndian(offset, 4), header, sizeof header) || std::memcmp(header, "PE\0\0", 4) != 0)
        return false;
    *machine = static_cast<uint16_t>(littleEndian(header + 4, 2));
    return true;
}

bool jvmLibraryFits(const char* path)
{
    if (kProcessPeMachine == 0)
        return true;  // libraries of this platform are no PE files
    uint16_t machine = 0;
    if (!readPeMachine(path, &machine)) {
        logInfo("Not a library: %s", path);
        return false;
    }
    if (machine != kProcessPeMachine) {
        logInfo("Not a 64-bit library: %s (machine 0x%04x)", path, static_cast<unsigned>(machine));
        return false;
    }
    return true;
}

bool runtimeFitsProcess(const char* javaExe)
{
    std::string bin = directoryOf(javaExe);
    char preferred[200];
    getString(cfg::kPreferredVmKind, preferred, sizeof preferred);
    bool misfit = false;
    for (const std::string& directory : {bin, bin + "\\..\\jre\\bin"}) {
        for (int i = -1; i < 5; ++i) {
            const char* kind = i < 0 ? preferred : kVmKinds[i];
            if (kind[0] == '\0')
                continue;
            std::string library = directory + "\\" + kind + "\\jvm.dll";
            if (!fileExists(library.c_str()))
                continue;
            if (jvmLibraryFits(library.c_str()))
                return true;
            misfit = true;
        }
    }
    if (misfit)
        logInfo("Passed over: the runtime of %s cannot be loaded into this 64-bit process", javaExe);
    return !misfit;
}
