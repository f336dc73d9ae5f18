#include <gtest/gtest.h>

#include "tools/kvellpack/format_check.h"

using namespace kvellpack;

namespace {

bool accepts(FormatRule rule, const std::string& text)
{
    std::string error;
    return checkFormat(rule, text, &error);
}

}  // namespace

TEST(FormatCheck, QuestionTextsAreShownAsWritten)
{
    // Only "%S" means something (it shows "64"); every other '%' is text.
    EXPECT_TRUE(accepts(FormatRule::OneNarrowString, "No %S-bit Java found. Download (100% sure)?"));
    EXPECT_TRUE(accepts(FormatRule::OneNarrowString, "%s %d %n %S and %S"));
}

TEST(FormatCheck, DownloadStatusTakesFourDoubles)
{
    EXPECT_TRUE(accepts(FormatRule::FourDoubles, "%.1f of %.1f MiB (%3.0f%%), %-8.2lf kB/s"));
    EXPECT_TRUE(accepts(FormatRule::FourDoubles, "%e %g %G %a"));
    EXPECT_FALSE(accepts(FormatRule::FourDoubles, "%f %f %f %f %f"));
    EXPECT_FALSE(accepts(FormatRule::FourDoubles, "%d bytes"));
    EXPECT_FALSE(accepts(FormatRule::FourDoubles, "%*f"));
    EXPECT_FALSE(accepts(FormatRule::FourDoubles, "%Lf"));
    // The launcher takes at most two digits of width and of precision.
    EXPECT_TRUE(accepts(FormatRule::FourDoubles, "%99.99lf %f %f %f"));
    EXPECT_FALSE(accepts(FormatRule::FourDoubles, "%100.1f %f %f %f"));
    EXPECT_FALSE(accepts(FormatRule::FourDoubles, "%1.100f %f %f %f"));
    std::string error;
    EXPECT_FALSE(checkFormat(FormatRule::FourDoubles, "%.1f MiB %s", &error));
    EXPECT_NE(error.find("'%s'"), std::string::npos) << error;
    // Fewer than four would be shown unformatted, "%.1f" and all.
    EXPECT_FALSE(checkFormat(FormatRule::FourDoubles, "%.1f of %.1f MiB", &error));
    EXPECT_NE(error.find("there are 2 conversions, but the text needs exactly four"), std::string::npos) << error;
}

TEST(FormatCheck, DownloadStatusWithoutConversionsIsShownAsWritten)
{
    EXPECT_TRUE(accepts(FormatRule::FourDoubles, "Downloading the runtime..."));
    std::string error;
    EXPECT_FALSE(checkFormat(FormatRule::FourDoubles, "Almost 100%% done", &error));
    EXPECT_NE(error.find("shown as written, so '%%' would show as two percent signs"), std::string::npos) << error;
}

TEST(FormatCheck, OtherTextsAreNotFormats)
{
    EXPECT_TRUE(accepts(FormatRule::None, "100% %s %d"));
}
