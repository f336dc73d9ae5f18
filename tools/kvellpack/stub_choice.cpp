#include "stub_choice.h"

#include <filesystem>

#include "pe_stub.h"
#include "fs/platform.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

namespace fs = std::filesystem;

namespace kvellpack {

namespace {
constexpr int kSubsystemAfterChecksum = 4;  // optional header: CheckSum, then Subsystem

int entryInt(const Project& project, int id)
{
    auto it = project.strings.find(id);
    return it == project.strings.end() ? 0 : parseLeadingInt(it->second.c_str());
}
}  // namespace

unsigned stubSubsystem(const std::string& path)
{
    FileHandle file = openFileRead(path.c_str());
    StubLayout layout;
    std::string error;
    unsigned char bytes[2];
    uint32_t got = 0;
    if (!isOpen(file) || !examineStub(file, &layout, &error) ||
        !seekFile(file, layout.checksumOffset + kSubsystemAfterChecksum) ||
        !readFileBytes(file, bytes, sizeof bytes, &got) || got != sizeof bytes)
        return 0;
    return bytes[0] | bytes[1] << 8;
}

bool wantsConsoleStub(const Project& project)
{
    if (project.console >= 0)
        return project.console == 1;
    auto flavour = project.strings.find(cfg::kFlavour);
    int type = entryInt(project, cfg::kProgramType);
    return flavour != project.strings.end() && flavour->second == "e" && type != 1 && type != 5;
}

bool chooseStub(const std::string& given, const Project& project, std::string* chosen, std::string* note,
                std::string* error)
{
    *chosen = given;
    unsigned has = stubSubsystem(given);
    unsigned wanted = wantsConsoleStub(project) ? kSubsystemConsole : kSubsystemWindows;
    if (has == 0 || has == wanted)
        return true;  // as given (packing says what is wrong with a file that is no stub)
    const char* name = wanted == kSubsystemConsole ? "kvellc.exe" : "kvell.exe";
    fs::path other = fs::path(given).parent_path() / name;
    std::error_code ec;
    std::string why = wanted == kSubsystemConsole
                          ? "a console program (flavour \"launcher\", program_type neither 1 nor 5, or console = true)"
                          : "not a console program (console = false, or no launcher flavour)";
    if (!fs::is_regular_file(other, ec) || stubSubsystem(other.string()) != wanted) {
        *error = "the project is " + why + ", which needs the stub " + name + ", but there is none beside " + given +
                 "; name it with --stub, or set console = " + (wanted == kSubsystemConsole ? "false" : "true");
        return false;
    }
    *chosen = other.string();
    *note = std::string("packed onto ") + chosen->c_str() + ": the project is " + why;
    return true;
}

}  // namespace kvellpack
