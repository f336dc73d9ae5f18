#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "process_state.h"
#include "diag/errors.h"
#include "diag/log.h"
#include "fs/text_buffer.h"
#include "payload/config_store.h"

TEST(ErrorText, LogPathOnItsOwnLine)
{
    char out[kTextBufferSize];
    composeErrorText("X", "C:\\Temp\\qmr_nlog_1", out, sizeof out);
    EXPECT_STREQ(out, "X\n\nLog: C:\\Temp\\qmr_nlog_1");
    composeErrorText("X", nullptr, out, sizeof out);
    EXPECT_STREQ(out, "X");
}

TEST(ErrorText, OverLongMessageIsCutButTheLogLineStays)
{
    std::string message(9000, 'm');
    char out[kTextBufferSize];
    composeErrorText(message.c_str(), "C:\\l", out, sizeof out);
    std::string text(out);
    EXPECT_EQ(text.size(), kTextBufferSize - 1);
    EXPECT_EQ(text.substr(text.size() - 11), "\n\nLog: C:\\l");

    WideString wide = composeErrorTextWide(WideString(9000, 'w').c_str(), "C:\\l");
    EXPECT_EQ(wide.size(), kTextBufferSize - 1);
    EXPECT_EQ(wide.substr(wide.size() - 11), WideString(KW("\n\nLog: C:\\l")));
}

TEST(ShowError, ConsoleFormReplacesTheFirstPlaceholderOnly)
{
    resetProcessStateForTests();
    logInfo("a line, so that there is a log to point to");
    configStore().strings[1006] = "missing {0} and {0}";
    setMessageBoxErrors(false);
    testing::internal::CaptureStderr();
    showErrorById(1006, "lib.jar");
    showErrorById(1006);
    std::string err = testing::internal::GetCapturedStderr();
    setMessageBoxErrors(true);
    configStore() = ConfigStore();
    std::remove(logFilePath());
    resetProcessStateForTests();
    EXPECT_NE(err.find("missing lib.jar and {0}\n\nLog: "), std::string::npos) << err;
    EXPECT_NE(err.find("missing {0} and {0}\n\nLog: "), std::string::npos) << err;
}
