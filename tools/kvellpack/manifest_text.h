// The application manifest as text: the execution level it requests, read and
// set in place so that the rest of the stub's manifest stays as it is.
#pragma once
#include <string>

namespace kvellpack {

// Whether level is one Windows knows: asInvoker, highestAvailable, requireAdministrator.
bool isExecutionLevel(const std::string& level);

// The level attribute of requestedExecutionLevel; "" when there is none.
std::string executionLevelOf(const std::string& manifest);

// The manifest with that attribute set; false when it has no requestedExecutionLevel element.
bool setExecutionLevel(const std::string& manifest, const std::string& level, std::string* out);

// A vendor's manifest must at least be an assembly of the manifest schema:
// Windows refuses to start a program whose manifest it cannot read.
bool looksLikeManifest(const std::string& text);

}  // namespace kvellpack
