#include "included_names.h"

#include "case_folding.h"
#include "fs/wide.h"
#include "payload/included_name_rule.h"

namespace kvellpack {

bool checkIncludedName(const std::string& name, std::string* error)
{
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) {
            *error = "an included file name contains a control character";
            return false;
        }
    }
    std::string why;
    IncludedNameFault fault = includedNameFault(wideFromUtf8(name));
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
    else if (fault != IncludedNameFault::None)
        why = includedNameFaultText(fault);
    if (why.empty())
        return true;
    *error = "the included file name '" + name + "' " + why;
    return false;
}

bool sameFileName(const std::string& a, const std::string& b)
{
    return foldCase(a) == foldCase(b);
}

}  // namespace kvellpack
