#include "runtime_download.h"

#include <algorithm>
#include <cctype>

#include "payload/config_ids.h"
#include "payload/config_store.h"

namespace kvellpack {

namespace {

// The length of an http:// or https:// prefix in any letter case, else 0.
size_t schemeLength(const std::string& url)
{
    for (std::string scheme : {"http://", "https://"}) {
        if (url.size() >= scheme.size() &&
            std::equal(scheme.begin(), scheme.end(), url.begin(),
                       [](char s, char u) { return s == std::tolower(static_cast<unsigned char>(u)); }))
            return scheme.size();
    }
    return 0;
}

// "user@host:port" without the user: a host name, an IPv4 or a bracketed IPv6
// address, then a port of digits if any.
bool hasHost(const std::string& authority)
{
    size_t at = authority.rfind('@');
    std::string hostPort = at == std::string::npos ? authority : authority.substr(at + 1);
    size_t hostEnd = hostPort.find(':');
    if (!hostPort.empty() && hostPort[0] == '[') {
        size_t close = hostPort.find(']');
        if (close == std::string::npos || close == 1)
            return false;
        hostEnd = close + 1 < hostPort.size() ? close + 1 : std::string::npos;
    }
    if (hostPort.empty() || hostEnd == 0)
        return false;
    if (hostEnd == std::string::npos)
        return true;
    std::string port = hostPort.substr(hostEnd);
    return port[0] == ':' && port.size() <= 6 && port.find_first_not_of("0123456789", 1) == std::string::npos;
}

}  // namespace

bool checkDownloadUrl(const std::string& url, std::string* error)
{
    for (size_t i = 0; i < url.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(url[i]);
        if (c <= ' ' || c == 0x7F) {
            *error = "contains a blank or a control character at position " + std::to_string(i + 1) +
                     " (write a blank as %20)";
            return false;
        }
    }
    size_t start = schemeLength(url);
    if (url.empty() || (start != 0 && hasHost(url.substr(start, url.find_first_of("/?#", start) - start))))
        return true;
    *error = "must be an http:// or https:// URL with a host, not '" + url + "'";
    return false;
}

bool sha256FromText(const std::string& text, std::string* out, std::string* error)
{
    constexpr size_t kDigits = 64;
    size_t bad = text.find_first_not_of("0123456789abcdefABCDEF");
    if (bad != std::string::npos) {
        size_t length = 1;  // the whole UTF-8 sequence, so that the message stays readable
        while (bad + length < text.size() && (static_cast<unsigned char>(text[bad + length]) & 0xC0) == 0x80)
            ++length;
        *error = "must be the archive's SHA-256 as 64 hex digits; '" + text.substr(bad, length) +
                 "' is not a hex digit";
        return false;
    }
    if (text.size() != kDigits) {
        *error = "must be the archive's SHA-256 as 64 hex digits; it has " + std::to_string(text.size());
        return false;
    }
    out->clear();
    for (char c : text)
        out->push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    return true;
}

std::string downloadConflict(const Project& project, int* entry)
{
    auto url = project.strings.find(cfg::kJreDownloadUrl);
    if (url != project.strings.end() && !url->second.empty())
        return "";
    // As the launcher reads the flag: like atoi, so "0" and "no" are not set.
    auto withoutAsking = project.strings.find(cfg::kDownloadWithoutAsking);
    if (withoutAsking != project.strings.end() && parseLeadingInt(withoutAsking->second.c_str()) != 0) {
        *entry = cfg::kDownloadWithoutAsking;
        return "download_without_asking is set, but jre_download_url is not: the launcher would have nothing "
               "to download";
    }
    if (project.strings.count(cfg::kJreDownloadSha256) != 0) {
        *entry = cfg::kJreDownloadSha256;
        return "jre_download_sha256 is set, but jre_download_url is not: the launcher would download nothing "
               "to check it against";
    }
    return "";
}

}  // namespace kvellpack
