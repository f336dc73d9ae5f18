// The entries of the runtime download: the URL the launcher fetches jre.tar.gz
// from (150), the SHA-256 it checks the archive against (161) and
// download_without_asking (157). A wrong one shows only on a machine without a
// runtime, long after packing, so kvellpack checks them here. Texts are UTF-8.
#pragma once
#include <string>

#include "project.h"

namespace kvellpack {

// True for an http:// or https:// URL with a host, or for "" (no download);
// else *error says why, to follow the key's name.
bool checkDownloadUrl(const std::string& url, std::string* error);

// Exactly 64 hex digits, written to *out in lower case; else *error says why,
// to follow the key's name.
bool sha256FromText(const std::string& text, std::string* out, std::string* error);

// Entries that make no sense without a URL: the message, with *entry the
// string entry at fault, or "" when the project's download entries agree.
std::string downloadConflict(const Project& project, int* entry);

}  // namespace kvellpack
