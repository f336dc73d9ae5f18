#include "instance/instance_name.h"

#include <cstring>

#include "fs/paths.h"

void buildInstancePath(char* out)
{
    getFullPath(out, getLauncherPath(), false);
}

void buildInstanceSemaphoreName(const char* instancePath, bool machineWide, BoundedText* out)
{
    out->assign(machineWide ? "Global\\" : "");
    size_t start = out->size();
    out->append(instancePath);
    for (size_t i = start; i < out->size(); ++i) {
        if ((*out)[i] == '\\')
            (*out)[i] = '_';
    }
}

bool isInstanceImage(const char* imagePath, const char* instancePath)
{
    if (imagePath[0] == '\0')
        return false;
    char full[kTextBufferSize];
    getFullPath(full, imagePath, false);
    return full[0] != '\0' && std::strcmp(full, instancePath) == 0;
}
