#include "program_dir.h"

#include <filesystem>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace kvellpack {

namespace {

// The executable's own path from the system, which, unlike argv[0], does not
// depend on how the program was started (PATH lookup, relative names).
std::string executablePath()
{
#ifdef _WIN32
    // ANSI, like every other path kvellpack opens on Windows.
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::string();
        if (length < buffer.size())
            return std::string(buffer.data(), length);
        if (buffer.size() >= 32768)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
#else
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.string();
#endif
}

}  // namespace

std::string programDirectory(const char* argv0)
{
    std::string self = executablePath();
    std::error_code ec;
    if (self.empty() && argv0 != nullptr && fs::path(argv0).has_parent_path())
        self = fs::absolute(argv0, ec).string();
    if (self.empty() || ec)
        return std::string();
    return fs::path(self).parent_path().string();
}

}  // namespace kvellpack
