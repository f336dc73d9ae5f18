// The status line of the progress dialog while a runtime downloads.
#pragma once
#include "fs/wide.h"

// The four figures the configured status text shows, in this order.
struct DownloadFigures {
    double receivedMiB;
    double totalMiB;
    double percent;
    double bytesPerMilli;  // about kB/s
};

// The configured text filled with the figures when its conversions are exactly
// four floating-point ones (flags, a width and a precision of at most two
// digits, an optional 'l'; "%%" is a percent sign); any other text is shown as
// it stands. The text is never handed to printf unchecked.
WideString formatDownloadStatus(const WideString& format, const DownloadFigures& figures);
