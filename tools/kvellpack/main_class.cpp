#include "main_class.h"

#include "entry_encoding.h"
#include "included_names.h"
#include "jar_manifest.h"
#include "key_table.h"
#include "runtime_jar.h"
#include "payload/config_ids.h"

namespace kvellpack {

namespace {

bool isJar(const std::string& name)
{
    if (name.size() < 4 || sameFileName(name, kRuntimeJarName))
        return false;
    std::string ending = name.substr(name.size() - 4);
    for (char& c : ending)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return ending == ".jar";
}

const IncludedFile* firstJar(const Project& project)
{
    for (const IncludedFile& file : project.files) {
        if (isJar(file.name))
            return &file;
    }
    return nullptr;
}

// No main class to take: an error only where kvell-runtime.jar needs one.
bool noMainClass(bool needed, const std::string& why, std::string* error)
{
    if (needed)
        *error = why;
    return !needed;
}

}  // namespace

bool resolveMainClass(Project* project, const std::string& label, std::string* note, std::string* error)
{
    note->clear();
    auto set = project->strings.find(cfg::kMainClass);
    if (set != project->strings.end() && !set->second.empty())
        return true;
    bool needed = project->includeRuntimeJar;
    std::string lead = label + ": main_class is not set, and ";
    const IncludedFile* jar = firstJar(*project);
    if (jar == nullptr)
        return noMainClass(needed, lead + "no included jar names one in its manifest", error);
    std::string mainClass, why;
    if (!jarMainClass(jar->path, &mainClass, &why))
        return noMainClass(needed, lead + "the manifest of " + jar->name + " cannot be read: '" + jar->path + "' " + why,
                           error);
    if (mainClass.empty())
        return noMainClass(needed, lead + jar->name + "'s manifest names no Main-Class", error);
    std::string encoded;
    if (!encodeString(mainClass, findKey("", "main_class")->maxLength, &encoded, &why))
        return noMainClass(needed, lead + "the Main-Class of " + jar->name + "'s manifest " + why, error);
    project->strings[cfg::kMainClass] = encoded;
    *note = "main_class not set: using " + mainClass + " from " + jar->name + "'s manifest";
    return true;
}

}  // namespace kvellpack
