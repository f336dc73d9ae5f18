// Restoring a Pack200-packed runtime with its own unpack200 (a stand-in script
// that records its arguments, writes the jar and honours -r).
#include <fstream>
#include <sstream>

#include "jvm/pack200.h"
#include "jvm_test_support.h"

namespace {
std::vector<bool> hookCalls;

struct Pack200 : JvmTest {
    void SetUp() override
    {
        JvmTest::SetUp();
        hookCalls.clear();
        setUnpackActivityHook([](bool running) { hookCalls.push_back(running); });
    }
    void TearDown() override
    {
        setUnpackActivityHook(nullptr);
        JvmTest::TearDown();
    }
    void packedRuntime(const std::vector<std::string>& jars)
    {
        for (const std::string& jar : jars)
            writeFile("jre\\lib\\" + jar + ".pack", "packed");
        writeFile("jre\\bin\\unpack200.exe",
                  "#!/bin/sh\nprintf '%s\\n' \"$*\" >> " + abs("calls") +
                      "\nif [ \"$1\" = -r ]; then rm -f \"$2\"; fi\nprintf jar > \"$3\"\nexit 7\n",
                  true);
    }
    std::string calls()
    {
        std::stringstream text;
        text << std::ifstream(abs("calls")).rdbuf();
        return text.str();
    }
};
} // namespace

TEST_F(Pack200, OnlyAnUnfinishedPackedRuntimeIsTouched)
{
    writeFile("plain\\lib\\rt.jar", "jar");
    unpackJre(abs("plain").c_str());
    packedRuntime({"rt.jar"});
    writeFile("jre\\lib\\jsse.jar", "jar");  // restored last: the unpack finished
    unpackJre(abs("jre").c_str());
    EXPECT_EQ(logCount("Unpacking"), 0);
    EXPECT_TRUE(hookCalls.empty());
}

TEST_F(Pack200, RestoresThePackedJarsInOrder)
{
    packedRuntime({"rt.jar", "charsets.jar", "ext\\localedata.jar", "jsse.jar"});
    ::testing::internal::CaptureStdout();
    unpackJre(abs("jre").c_str());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Preparing JRE ...\n");

    std::string lib = abs("jre") + "\\lib\\";
    std::string expected;
    for (const char* jar : {"rt.jar", "charsets.jar", "ext\\localedata.jar", "jsse.jar"})
        expected += "-r " + lib + jar + ".pack " + lib + jar + "\n";
    EXPECT_EQ(calls(), expected);
    EXPECT_FALSE(std::ifstream(lib + "rt.jar.pack").good());
    // plugin.jar and deploy.jar are not in this runtime; the tool's exit code is not judged.
    EXPECT_EQ(logCount("pack path doesn't exists"), 2);
    EXPECT_TRUE(logHasInOrder({"Unpacking JRE", "Unpacking " + lib + "rt.jar.pack to " + lib + "rt.jar",
                               "waiting for unpack200 to finish", "unpack done", "Unpacking JRE done"}));
    EXPECT_EQ(hookCalls, (std::vector<bool>{true, false}));

    CurrentDirectory here(absDir);  // relative to the current directory; nothing left to do
    unpackJre("jre");
    EXPECT_EQ(logCount("Unpacking JRE done"), 1);
}

TEST_F(Pack200, ToolThatCannotStartEndsTheProcess)
{
    writeFile("jre\\lib\\rt.jar.pack", "packed");
    setConfig(1009, "internal error {0}");
    std::string dir = abs("jre");
    EXPECT_EXIT(unpackJre(dir.c_str()), ::testing::ExitedWithCode(1), "internal error 20");
}
