#include "installer/install_marker.h"

#include "payload/config_ids.h"
#include "payload/config_store.h"

namespace {
bool markerUsed()
{
    return getInt(cfg::kNoInstallMarker) == 0;
}
} // namespace

void writeInstallStarted(bool started)
{
    if (markerUsed())
        writeInstallMarkerValue(started);
}

bool readInstallStarted()
{
    return markerUsed() && readInstallMarkerValue();
}
