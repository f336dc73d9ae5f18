#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

#include "launch/vm_options_file.h"

namespace {
struct OptionsFiles : ::testing::Test {
    std::string dir;
    void SetUp() override
    {
        char name[] = "/tmp/kvell_vmo_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
    }
    void TearDown() override
    {
        std::string cmd = "rm -rf '" + dir + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    std::string write(const std::string& name, const std::string& text)
    {
        std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    VmOptions read(const std::string& path)
    {
        VmOptions vm;
        readVmOptionsFile(TextFile(std::fopen(path.c_str(), "r")), vm, LaunchState(), path);
        return vm;
    }
};
} // namespace

TEST_F(OptionsFiles, LinesAreTrimmedAndCommentsSkipped)
{
    VmOptions vm = read(write("a.vmoptions", "  -Xmx512m  \r\n\r\n   # note\n-Dx=1 # not a comment\r\n\t-Dtab\n#x\n-last"));
    EXPECT_EQ(vm.options, (std::vector<std::string>{"-Xmx512m", "-Dx=1 # not a comment", "\t-Dtab", "-last"}));
}

TEST_F(OptionsFiles, ClassPathDirectivesLastOneWins)
{
    VmOptions vm = read(write("b.vmoptions", "-classpath a.jar\n-classpath b.jar\n-classpath/p p.jar\n-classpath/a z.jar\n"
                                              "-classpath\n-classpath/a\n"));
    EXPECT_EQ(vm.overrides.replace, "b.jar");
    EXPECT_EQ(vm.overrides.prepend, "p.jar");
    EXPECT_EQ(vm.overrides.append, "z.jar");
    // Without their blank the directives are ordinary options.
    EXPECT_EQ(vm.options, (std::vector<std::string>{"-classpath", "-classpath/a"}));
}

TEST_F(OptionsFiles, IncludesTakeEffectWhereTheyStand)
{
    std::string inner = write("inner.vmoptions", "-Dinner=1\n");
    VmOptions vm = read(write("outer.vmoptions", "-Dbefore\n-include-options " + inner +
                                                    "\n-include-options " + dir + "/missing\n-Dafter\n"));
    EXPECT_EQ(vm.options, (std::vector<std::string>{"-Dbefore", "-Dinner=1", "-Dafter"}));
}

TEST_F(OptionsFiles, IncludeCyclesStop)
{
    std::string a = dir + "/a.vmoptions";
    std::string b = dir + "/b.vmoptions";
    write("a.vmoptions", "-Da\n-include-options " + b + "\n");
    write("b.vmoptions", "-Db\n-include-options " + a + "\n-include-options " + b + "\n-Dend\n");
    VmOptions vm = read(a);
    EXPECT_EQ(vm.options, (std::vector<std::string>{"-Da", "-Db", "-Dend"}));
    EXPECT_TRUE(vm.openFiles.empty());

    // A long chain stops at the nesting limit instead of exhausting the stack.
    for (int i = 0; i < 40; ++i) {
        std::string n = std::to_string(i);
        std::string next = dir + "/c" + std::to_string(i + 1);
        write("c" + n, std::string("-Dc").append(n).append("\n-include-options ").append(next).append("\n"));
    }
    vm = read(dir + "/c0");
    EXPECT_EQ(vm.options.size(), static_cast<size_t>(kMaxVmOptionsNesting));
}

TEST_F(OptionsFiles, LongPhysicalLineContinuesAsTheNextLine)
{
    std::string longLine(9000, 'x');
    VmOptions vm = read(write("long.vmoptions", "-D" + longLine + "\n"));
    ASSERT_EQ(vm.options.size(), 2u);
    EXPECT_EQ(vm.options[0].size(), 8191u);
    EXPECT_EQ(vm.options[0].size() + vm.options[1].size(), longLine.size() + 2);
}

TEST_F(OptionsFiles, DevicesAreNotReadAndTheOptionCountIsBounded)
{
    std::string many;
    for (size_t i = 0; i < kMaxVmOptions + 10; ++i)
        many.append("-D").append(std::to_string(i)).append("\n");
    VmOptions vm = read(write("a.vmoptions", "-include-options /dev/zero\n-Dfirst\n" + many));
    ASSERT_EQ(vm.options.size(), kMaxVmOptions);
    EXPECT_EQ(vm.options.front(), "-Dfirst");
    EXPECT_TRUE(vm.limitReached);
}
