#include "installer/download_status.h"

#include <gtest/gtest.h>

namespace {
WideString w(const char* text)
{
    return wideFromUtf8(text);
}

WideString status(const char* format)
{
    return formatDownloadStatus(w(format), DownloadFigures{1.25, 40.0, 3.125, 512.0});
}

// Only exactly four floating-point conversions make the text a format; any
// other text, which printf would read wrong arguments for, shows as written.
TEST(DownloadStatus, FourFloatingPointConversionsOrTheTextAsWritten)
{
    EXPECT_EQ(status("%.1f of %.1f MB (%.0f%%), %.0f KB/s"), w("1.2 of 40.0 MB (3%), 512 KB/s"));
    EXPECT_EQ(status("%-6.2lf|%+e|%G|%#08.1f ünï"), w("1.25  |+4.000000e+01|3.125|000512.0 ünï"));
    for (const char* kept : {"%.1f of %.1f MB (%.0f%%)", "%f %f %f %f %f", "%f %f %f %d", "%s %f %f %f",
                             "%f %f %f %n", "%*f %f %f %f", "%100f %f %f %f", "%.100f %f %f %f", "%f %f %f %",
                             "%1$f %f %f %f", "%f %f %f %Lf", "no figures 100%"}) {
        EXPECT_EQ(status(kept), w(kept)) << kept;
    }
}
} // namespace
