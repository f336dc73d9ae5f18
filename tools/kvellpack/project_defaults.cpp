#include "project_defaults.h"

#include <filesystem>

#include "entry_encoding.h"
#include "key_table.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

#ifdef _WIN32
#include "fs/platform.h"
#endif

namespace kvellpack {

namespace {

constexpr int kWindowedProgram = 1;

bool isSet(const Project& project, const KeySpec& spec)
{
    return spec.space == EntrySpace::String ? project.strings.count(spec.id) != 0
                                            : project.wides.count(spec.id) != 0;
}

// A flag or program_type as the launcher reads it: like atoi, absent is 0.
int entryInt(const Project& project, int id)
{
    auto it = project.strings.find(id);
    return it == project.strings.end() ? 0 : parseLeadingInt(it->second.c_str());
}

bool isLauncherFlavour(const Project& project)
{
    auto flavour = project.strings.find(cfg::kFlavour);
    return flavour != project.strings.end() && flavour->second == "e";
}

// False when the text has no form in the entry's encoding.
bool store(Project* project, const KeySpec& spec, const std::string& utf8)
{
    std::string why;
    if (spec.space == EntrySpace::Wide) {
        WideString wide;
        if (!encodeWide(utf8, spec.maxLength, &wide, &why))
            return false;
        project->wides[spec.id] = wide;
        return true;
    }
    std::string bytes;
    if (!encodeString(utf8, spec.maxLength, &bytes, &why))
        return false;
    project->strings[spec.id] = bytes;
    return true;
}

// Asked for explicitly, the dialog stays; but it waits for a window that a
// console program never opens.
void warnAboutProgressDialog(Project* project, bool windowed)
{
    if (windowed || project->strings.count(cfg::kNoProgressDialog) == 0 ||
        entryInt(*project, cfg::kNoProgressDialog) != 0 || entryInt(*project, cfg::kWatcherNeverTimesOut) != 0)
        return;
    project->warnings.push_back(
        "no_progress_dialog = false for a program that is not windowed (program_type is not 1): the progress "
        "dialog waits for the program's window and, without no_launch_timeout = true, ends the program after "
        "about four minutes");
}

}  // namespace

void addDefaults(Project* project, const std::string& programName)
{
    bool windowed = entryInt(*project, cfg::kProgramType) == kWindowedProgram;
    warnAboutProgressDialog(project, windowed);
    for (const KeySpec& spec : keyTable()) {
        if (isSet(*project, spec))
            continue;
        switch (spec.defaultRule) {
        case DefaultRule::None:
            break;
        case DefaultRule::Always:
            store(project, spec, spec.defaultValue);
            break;
        case DefaultRule::ProgramName:
            if (programName.empty() || !store(project, spec, programName))
                store(project, spec, spec.defaultValue);
            break;
        case DefaultRule::NotWindowed:
            if (!windowed)
                store(project, spec, spec.defaultValue);
            break;
        case DefaultRule::Launcher:
            if (isLauncherFlavour(*project))
                store(project, spec, spec.defaultValue);
            break;
        }
    }
}

std::string programNameFromProject(const std::string& projectPath)
{
    std::string stem = std::filesystem::path(projectPath).stem().string();
#ifdef _WIN32
    // kvellpack.exe gets its paths in the ANSI code page.
    return utf8FromWide(wideFromAnsi(stem.c_str()));
#else
    return stem;
#endif
}

}  // namespace kvellpack
