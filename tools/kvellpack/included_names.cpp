#include "included_names.h"

#include <cctype>
#include <cstring>

namespace kvellpack {

bool checkIncludedName(const std::string& name, std::string* error)
{
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) {
            *error = "an included file name contains a control character";
            return false;
        }
    }
    const char* why = nullptr;
    if (name.empty())
        why = "is empty";
    else if (name == "." || name == "..")
        why = "is not a file name";
    else if (name.find_first_of("\\/:") != std::string::npos)
        why = "contains a path separator; included files go directly into the extraction directory";
    else if (name.find(';') != std::string::npos)
        why = "contains ';', which separates the names of included files";
    else if (name.find_first_of("<>\"|?*") != std::string::npos)
        why = "contains a character that Windows does not allow in file names";
    else if (name.back() == '.' || name.back() == ' ')
        why = "ends with a dot or blank, which Windows drops from file names";
    if (why == nullptr)
        return true;
    *error = "the included file name '" + name + "' " + why;
    return false;
}

bool sameFileName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

}  // namespace kvellpack
