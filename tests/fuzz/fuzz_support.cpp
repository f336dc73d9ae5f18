#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string& scratch()
{
    static std::string dir;
    return dir;
}

void removeScratch()
{
    std::error_code ec;
    fs::remove_all(scratch(), ec);
}

}  // namespace

void initScratch()
{
    if (!scratch().empty())
        return;
    std::string pattern = (fs::temp_directory_path() / "kvell_fuzz_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    scratch() = pattern;
    fs::create_directory(scratch() + "/run");
    fs::create_directory(scratch() + "/fixed");
    std::atexit(removeScratch);
    setenv("KVELL_LAUNCHER_PATH", runPath("launcher.exe").c_str(), 1);
    setenv("TMP", runPath("").c_str(), 1);
    setenv("TMPDIR", runPath("").c_str(), 1);
    unsetenv("KVELL_LOG");
    unsetenv("QUILLMERE_LOG");
}

std::string runPath(const std::string& name)
{
    return scratch() + "/run/" + name;
}

std::string fixedPath(const std::string& name)
{
    return scratch() + "/fixed/" + name;
}

void writeFile(const std::string& path, const uint8_t* data, size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void emptyRunDir()
{
    for (const fs::directory_entry& entry : fs::directory_iterator(scratch() + "/run"))
        fs::remove_all(entry.path());
}

std::vector<std::string> splitInput(const uint8_t* data, size_t size, char separator)
{
    std::vector<std::string> pieces(1);
    for (size_t i = 0; i < size; ++i) {
        if (static_cast<char>(data[i]) == separator)
            pieces.emplace_back();
        else
            pieces.back().push_back(static_cast<char>(data[i]));
    }
    return pieces;
}

bool isUtf8(const std::string& text)
{
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        uint32_t cp = length == 1 ? c : c & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        static const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < smallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

void fuzzCheckFailed(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}
