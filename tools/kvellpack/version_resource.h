// The version-information resource (VS_VERSIONINFO): the numeric versions of
// VS_FIXEDFILEINFO and one string table, US English in UTF-16 ("040904B0"),
// as Explorer's file properties and GetFileVersionInfo read it.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "pe_image.h"

namespace kvellpack {

using VersionNumbers = std::array<uint16_t, 4>;

struct VersionInfo {
    VersionNumbers fileVersion{};
    VersionNumbers productVersion{};
    std::vector<std::pair<std::string, std::string>> strings;  // name ("CompanyName", ...), UTF-8 value
};

// "1", "1.2", "1.2.3" or "1.2.3.4", each number 0 to 65535; missing numbers are 0.
bool parseVersionNumbers(const std::string& text, VersionNumbers* numbers);
std::string versionNumbersText(const VersionNumbers& numbers);

Bytes encodeVersionInfo(const VersionInfo& info);
// False when data is no VS_VERSIONINFO; strings of every table are read.
bool decodeVersionInfo(const Bytes& data, VersionInfo* info);

}  // namespace kvellpack
