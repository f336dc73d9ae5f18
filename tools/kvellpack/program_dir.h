// The directory of the running kvellpack executable, where an installed
// kvellpack keeps kvell-runtime.jar.
#pragma once
#include <string>

namespace kvellpack {

// Empty when the system cannot say; argv0 is the fallback when it holds a path.
std::string programDirectory(const char* argv0);

}  // namespace kvellpack
