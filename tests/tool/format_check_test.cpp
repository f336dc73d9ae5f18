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

TEST(FormatCheck, QuestionTextsTakeOneNarrowString)
{
    EXPECT_TRUE(accepts(FormatRule::OneNarrowString, "No %S-bit Java found. Download (100%%)?"));
    EXPECT_TRUE(accepts(FormatRule::OneNarrowString, "No Java found."));
    EXPECT_FALSE(accepts(FormatRule::OneNarrowString, "%s-bit"));  // a wide string argument it does not get
    EXPECT_FALSE(accepts(FormatRule::OneNarrowString, "%d-bit"));
    EXPECT_FALSE(accepts(FormatRule::OneNarrowString, "%S and %S"));
    EXPECT_FALSE(accepts(FormatRule::OneNarrowString, "100%"));
}

TEST(FormatCheck, DownloadStatusTakesFourDoubles)
{
    EXPECT_TRUE(accepts(FormatRule::FourDoubles, "%.1f of %.1f MiB (%3.0f%%), %-8.2lf kB/s"));
    EXPECT_TRUE(accepts(FormatRule::FourDoubles, "%e %g %G %a"));
    EXPECT_FALSE(accepts(FormatRule::FourDoubles, "%f %f %f %f %f"));
    EXPECT_FALSE(accepts(FormatRule::FourDoubles, "%d bytes"));
    EXPECT_FALSE(accepts(FormatRule::FourDoubles, "%*f"));
    EXPECT_FALSE(accepts(FormatRule::FourDoubles, "%Lf"));
    std::string error;
    EXPECT_FALSE(checkFormat(FormatRule::FourDoubles, "%.1f MiB %s", &error));
    EXPECT_NE(error.find("'%s'"), std::string::npos) << error;
}

TEST(FormatCheck, OtherTextsAreNotFormats)
{
    EXPECT_TRUE(accepts(FormatRule::None, "100% %s %d"));
}
