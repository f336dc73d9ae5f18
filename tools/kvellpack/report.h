// The text `kvellpack inspect` prints about a launcher.
#pragma once
#include <string>

#include "launcher_contents.h"

namespace kvellpack {

std::string describeLauncher(const std::string& path, const LauncherContents& contents);

// A value as a one-line, double-quoted string with TOML escapes.
std::string quoteForDisplay(const std::string& utf8);

}  // namespace kvellpack
