#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "process_state.h"
#include "diag/errors.h"
#include "fs/paths.h"
#include "launch/exit_hook.h"
#include "launch/option_assembly.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "payload/included_files.h"

namespace {

struct Assembly : ::testing::Test {
    std::string dir;  // holds the "launcher" tool.exe and its options file
    std::string extract;
    LaunchState state;

    void SetUp() override
    {
        char name[] = "/tmp/kvell_opts_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        extract = dir + "/kvl1.tmp_dir";
        ASSERT_EQ(system(("mkdir -p '" + extract + "' '" + dir + "/libs'").c_str()), 0);
        touch(extract + "/a.jar");
        touch(extract + "/b.zip");
        touch(dir + "/libs/x.jar");
        touch(dir + "/tool.exe");
        setenv("KVELL_LAUNCHER_PATH", (dir + "/tool.exe").c_str(), 1);
        resetProcessStateForTests();
        state = LaunchState();
        state.extractionDir.assign(extract.c_str());
        state.unextractedPosition = 4242;
        state.flavourLetter = 'e';
        unsetenv("MANPATH");
        setMessageBoxErrors(false);
    }
    void TearDown() override
    {
        ASSERT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
        unsetenv("KVELL_LAUNCHER_PATH");
        resetProcessStateForTests();
        setMessageBoxErrors(true);
    }
    static void touch(const std::string& path) { std::ofstream(path) << "x"; }

    std::vector<std::string> assemble(const ArgList& commandLine = {KW("tool.exe")})
    {
        VmOptions vm;
        std::vector<JavaVMOption> array;
        JavaVMInitArgs args{};
        buildVmInitArgs(state, commandLine, buildLauncherProperties(state), vm, array, &args);
        EXPECT_EQ(args.version, JNI_VERSION_1_2);
        EXPECT_EQ(args.ignoreUnrecognized, JNI_TRUE);
        EXPECT_EQ(static_cast<size_t>(args.nOptions), vm.options.size());
        // The exit hook comes right before the class path and is the only
        // option with extraInfo; the rest of these tests look at the others.
        size_t hook = vm.options.size() - 2;
        for (size_t i = 0; i < vm.options.size(); ++i) {
            EXPECT_EQ(args.options[i].optionString, vm.options[i]);
            EXPECT_EQ(args.options[i].extraInfo,
                      i == hook ? reinterpret_cast<void*>(programExitHook) : nullptr);
        }
        EXPECT_EQ(vm.options[hook], "exit");
        std::vector<std::string> options = vm.options;
        options.erase(options.begin() + static_cast<std::ptrdiff_t>(hook));
        return options;
    }
};

std::string startingWith(const std::vector<std::string>& options, const std::string& prefix)
{
    for (const auto& o : options) {
        if (o.rfind(prefix, 0) == 0)
            return o;
    }
    return "<none>";
}

} // namespace

TEST_F(Assembly, PropertiesFirstInTheirOrderAndClassPathLast)
{
    std::vector<std::string> options = assemble();
    ASSERT_EQ(options.size(), 6u);
    EXPECT_EQ(options[0], "-Dkvell.moduleName=" + dir + "/tool.exe");
    EXPECT_EQ(options[1], "-Dkvell.tempDir=" + extract);
    EXPECT_EQ(options[2], "-Dkvell.unextractedPosition=4242");
    EXPECT_EQ(options[3], std::string("-Djava.library.path=") + getenv("PATH"));
    EXPECT_EQ(options[4], "-Dkvell.consoleCodepage=cp65001");
    EXPECT_EQ(options[5], "-Djava.class.path=" + extract + "/a.jar:" + extract + "/b.zip:");

    state.manualJre = true;
    state.flavourLetter = 'i';
    configStore().strings[cfg::kPassProcessCommFile] = "1";
    setenv("MANPATH", "/usr/man", 1);
    options = assemble();
    EXPECT_EQ(options[0], "-Dkvell.manualJre=true");
    EXPECT_EQ(options[1], "-Dkvell.isQuillmere=true");
    EXPECT_EQ(options[2], "-Dkvell.moduleName=" + dir + "/tool.exe");
    EXPECT_NE(options[3].find("kvl_p" + std::to_string(getpid()) + ".tmp"), std::string::npos) << options[3];
    EXPECT_EQ(startingWith(options, "-Dkvell.consoleCodepage"), "<none>");
}

TEST_F(Assembly, ConfiguredOptionsJArgumentsAndTheOptionsFile)
{
    configStore().strings[cfg::kVmOptions] = "-Xmx1g \"-Dsp=a b\" -classpath/a late.jar -include-options " + dir + "/inc";
    std::ofstream(dir + "/inc") << "-Dincluded=1\n";
    std::ofstream(dir + "/tool.vmoptions") << "-Dfrom.file=1\r\n-classpath/p first.jar\r\n";
    std::ofstream(dir + "/tool.exe.vmoptions") << "-Dignored=1\n";
    ArgList commandLine = {KW("tool.exe"), KW("-J-Xss2m"), KW("-Jx"), KW("plain")};
    std::vector<std::string> options = assemble(commandLine);
    std::vector<std::string> tail(options.begin() + 5, options.end());
    // "-classpath/a" and its value were two words, so both are ordinary options.
    EXPECT_EQ(tail, (std::vector<std::string>{"-Xmx1g", "-Dsp=a b", "-classpath/a", "late.jar", "-Dincluded=1",
                                              "-Dfrom.file=1",
                                              "-Djava.class.path=first.jar:" + extract + "/a.jar:" + extract + "/b.zip:"}));

    configStore().strings[cfg::kJArgumentsToVm] = "1";
    options = assemble(commandLine);
    EXPECT_NE(std::find(options.begin(), options.end(), "-Xss2m"), options.end());
    EXPECT_NE(std::find(options.begin(), options.end(), "x"), options.end());
    EXPECT_EQ(std::find(options.begin(), options.end(), "plain"), options.end());
}

TEST_F(Assembly, ClassPathEntriesOfEveryKind)
{
    setenv("KVELL_T_CP", "\"/opt/q.jar\"", 1);
    configStore().strings[cfg::kClassPath] = "A1libs/x.jar;D0missing.jar;;E0KVELL_T_CP;S1libs;E0KVELL_T_UNSET;Xzzz";
    std::string cp = assemble().back();
    unsetenv("KVELL_T_CP");
    EXPECT_EQ(cp, "-Djava.class.path=" + extract + "/a.jar:" + extract + "/b.zip:" + dir + "/libs/x.jar:" + dir +
                      "/missing.jar:/opt/q.jar:" + dir + "/libs/x.jar:");
}

TEST_F(Assembly, ReplaceKeepsExtractedArchivesAndAppendNeedsNoSecondSeparator)
{
    configStore().strings[cfg::kClassPath] = "A1libs/x.jar";
    std::ofstream(dir + "/tool.vmoptions") << "-classpath r.jar:\n-classpath/a end.jar\n";
    EXPECT_EQ(assemble().back(), "-Djava.class.path=" + extract + "/a.jar:" + extract + "/b.zip:r.jar:end.jar");
}

TEST_F(Assembly, OverlongClassPathIsNotCutMidPath)
{
    std::string huge(9000, 'h');
    std::ofstream(dir + "/tool.vmoptions") << "-classpath/p " << huge << "\n"
                                            << "-classpath " << huge << "\n"
                                            << "-classpath/a " << huge << "\n";
    // Each line is cut at the 8192-byte line buffer (the rest becomes an option),
    // so 3 x 8k fits the 32k class path; a fourth source would not.
    std::string cp = assemble().back();
    EXPECT_LE(cp.size(), kClassPathCapacity - 1);
    ClassPathBuffer buffer;
    buffer.text = std::string(kClassPathCapacity - 10, 'c');
    EXPECT_FALSE(appendToClassPath(buffer, "0123456789"));
    EXPECT_EQ(buffer.text.size(), kClassPathCapacity - 10);
    EXPECT_TRUE(appendToClassPath(buffer, "012345678"));
}

TEST_F(Assembly, RequiredEntriesThatAreMissingAreFatal)
{
    configStore().strings[cfg::kMsgClassPathEntryMissing] = "missing: {0}";
    configStore().strings[cfg::kMsgClassPathVariableMissing] = "undefined: {0}";
    configStore().strings[cfg::kClassPath] = "E1KVELL_T_NEVER_SET";
    EXPECT_EXIT(assemble(), ::testing::ExitedWithCode(1), "undefined: KVELL_T_NEVER_SET");
    configStore().strings[cfg::kClassPath] = "S1no-such-dir";
    EXPECT_EXIT(assemble(), ::testing::ExitedWithCode(1), "missing: no-such-dir");
    configStore().strings[cfg::kClassPath] = "S0no-such-dir;E0KVELL_T_NEVER_SET";
    EXPECT_EQ(assemble().back(), "-Djava.class.path=" + extract + "/a.jar:" + extract + "/b.zip:");
}

TEST(SplitWords, QuotedWordsAndNarrowing)
{
    std::vector<std::string> words;
    splitWords("-Da=1 '-Db=x y' \xE9t\xE9", &words);
    EXPECT_EQ(words, (std::vector<std::string>{"-Da=1", "-Db=x y", "\xE9t\xE9"}));
}
