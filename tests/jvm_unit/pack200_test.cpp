// Restoring a Pack200-packed runtime with its own unpack200 (a stand-in script
// that records its arguments, writes the jar and honours -r).
#include <fstream>
#include <sstream>

#include "installer/pack200.h"
#include "jvm_test_support.h"

namespace {
std::vector<bool> hookCalls;
void recordHook(bool running)
{
    hookCalls.push_back(running);
}

struct Pack200 : JvmTest {
    void SetUp() override
    {
        JvmTest::SetUp();
        hookCalls.clear();
        setUnpackActivityHook(recordHook);
    }
    void TearDown() override
    {
        setUnpackActivityHook(nullptr);
        JvmTest::TearDown();
    }
    void packedRuntime(const std::string& dir, const std::vector<std::string>& packs)
    {
        for (const std::string& jar : packs)
            writeFile(dir + "\\lib\\" + jar + ".pack", "packed");
        writeFile(dir + "\\bin\\unpack200.exe",
                  "#!/bin/sh\nprintf '%s\\n' \"$*\" >> " + abs("calls") + "\nif [ \"$1\" = -r ]; then rm -f \"$2\"; fi\n"
                  "printf jar > \"$3\"\nexit 7\n",
                  true);
    }
    std::string calls()
    {
        std::ifstream in(abs("calls"));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool exists(const std::string& name) { return std::ifstream(abs(name)).good(); }
};
} // namespace

TEST_F(Pack200, UnpackedOrUnpackedBeforeDoesNothing)
{
    writeFile("plain\\lib\\rt.jar", "jar");
    unpackJre(abs("plain").c_str());
    packedRuntime("done", {"rt.jar"});
    writeFile("done\\lib\\jsse.jar", "jar");
    unpackJre(abs("done").c_str());
    EXPECT_EQ(logCount("Unpacking"), 0);
    EXPECT_EQ(calls(), "");
    EXPECT_TRUE(hookCalls.empty());
}

TEST_F(Pack200, RestoresThePackedJarsInOrder)
{
    packedRuntime("jre", {"rt.jar", "charsets.jar", "ext\\localedata.jar", "jsse.jar"});
    ::testing::internal::CaptureStdout();
    unpackJre(abs("jre").c_str());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Preparing JRE ...\n");

    std::string dir = abs("jre");
    EXPECT_EQ(calls(), "-r " + dir + "\\lib\\rt.jar.pack " + dir + "\\lib\\rt.jar\n" +
                           "-r " + dir + "\\lib\\charsets.jar.pack " + dir + "\\lib\\charsets.jar\n" +
                           "-r " + dir + "\\lib\\ext\\localedata.jar.pack " + dir + "\\lib\\ext\\localedata.jar\n" +
                           "-r " + dir + "\\lib\\jsse.jar.pack " + dir + "\\lib\\jsse.jar\n");
    EXPECT_TRUE(exists("jre\\lib\\rt.jar"));
    EXPECT_FALSE(exists("jre\\lib\\rt.jar.pack"));
    // plugin.jar and deploy.jar are not part of this runtime; the tool's exit code is not judged.
    EXPECT_EQ(logCount("pack path doesn't exists"), 2);
    EXPECT_TRUE(logHasInOrder({"Unpacking JRE", "Unpacking " + dir + "\\lib\\rt.jar.pack to " + dir + "\\lib\\rt.jar",
                               "waiting for unpack200 to finish", "unpack done", "Unpacking JRE done"}));
    EXPECT_EQ(hookCalls, (std::vector<bool>{true, false}));

    // Restored: a second call does nothing.
    unpackJre(abs("jre").c_str());
    EXPECT_EQ(logCount("Unpacking JRE done"), 1);
}

TEST_F(Pack200, RelativeDirectoryIsTakenFromTheCurrentOne)
{
    packedRuntime("jre", {"rt.jar"});
    CurrentDirectory here(absDir);
    ::testing::internal::CaptureStdout();
    unpackJre("jre");
    ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(exists("jre\\lib\\rt.jar"));
}

TEST_F(Pack200, ToolThatCannotStartEndsTheProcess)
{
    writeFile("jre\\lib\\rt.jar.pack", "packed");
    setConfig(1009, "internal error {0}");
    std::string dir = abs("jre");
    EXPECT_EXIT(unpackJre(dir.c_str()), ::testing::ExitedWithCode(1), "internal error 20");
}
