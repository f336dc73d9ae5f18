#include "installer/download.h"

#include "diag/errors.h"
#include "diag/log.h"
#include "payload/config_ids.h"

void downloadJre(LaunchState&, void*, const char* url)
{
    // Downloading is not part of this build yet.
    logError("Cannot download %s: downloading is not available", url);
    fatalErrorWideById(cfg::kWDownloadFailed);
}
