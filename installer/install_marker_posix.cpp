// The host has no registry and no installer runs there: the marker is never set.
#include "installer/install_marker.h"

void writeInstallMarkerValue(bool)
{
}

bool readInstallMarkerValue()
{
    return false;
}
