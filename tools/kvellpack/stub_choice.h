// Which launcher stub a project is packed onto: kvell.exe (the Windows
// subsystem: no console, dialogs) or kvellc.exe (the console subsystem, for
// console programs: cmd.exe waits for it and shows its output). Both come from
// the same sources and lie side by side in a build or a release.
#pragma once
#include <string>

#include "project.h"

namespace kvellpack {

constexpr unsigned kSubsystemWindows = 2;  // IMAGE_SUBSYSTEM_WINDOWS_GUI
constexpr unsigned kSubsystemConsole = 3;  // IMAGE_SUBSYSTEM_WINDOWS_CUI

// The PE subsystem of the executable at path; 0 when it cannot be read.
unsigned stubSubsystem(const std::string& path);

// Whether the project wants the console stub: the console key, else a console
// program (program_type neither 1 nor 5) of flavour "launcher". Installers keep
// kvell.exe unless the project asks.
bool wantsConsoleStub(const Project& project);

// The stub to pack onto: given itself, or the other stub of the pair beside
// it when the project wants the other subsystem (*note then says so). False
// (with *error) when that stub is not there.
bool chooseStub(const std::string& given, const Project& project, std::string* chosen, std::string* note,
                std::string* error);

}  // namespace kvellpack
