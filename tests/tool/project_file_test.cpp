#include <filesystem>

#include <gtest/gtest.h>

#include "payload/config_ids.h"
#include "test_support.h"
#include "tools/kvellpack/project_file.h"

using namespace kvellpack;

namespace {

struct ProjectFile : ScratchDir {
    Project project;
    std::string error;

    bool load(const std::string& toml)
    {
        project = Project();
        error.clear();
        return loadProjectText(toml, "p.toml", dir, &project, &error);
    }

    // The one-line error for a project that must be refused.
    std::string refusal(const std::string& toml)
    {
        EXPECT_FALSE(load(toml)) << toml;
        return error;
    }

    std::string string(int id) { return project.strings.count(id) ? project.strings[id] : "<absent>"; }
    std::string wide(int id) { return project.wides.count(id) ? utf8FromWide(project.wides[id]) : "<absent>"; }
};

}  // namespace

TEST_F(ProjectFile, ListsFlagsAndTextsTakeTheLaunchersForm)
{
    ASSERT_TRUE(load(R"(
        min_version = "11"
        max_version = "21"
        classpath = ['A1lib\app.jar', "S0lib"]
        vm_options = ["-Xmx1g", "-Dname=a b"]
        program_arguments = "--fast 'x y'"
        search_sequence = ["Ejava_home", "Rjre", "Y"]
        native_library_dirs = ["native", "native64"]
        require_jdk = false
        no_progress_dialog = 2
        flavour = "launcher"
        app_title = "Grüße ✓"
        [messages]
        caption = "Fehler – €"
    )")) << error;
    EXPECT_EQ(string(cfg::kMinVersion), "11");
    EXPECT_EQ(string(cfg::kMaxVersion), "21");
    EXPECT_EQ(string(cfg::kClassPath), "A1lib\\app.jar;S0lib");
    EXPECT_EQ(string(cfg::kVmOptions), "-Xmx1g \"-Dname=a b\"");
    EXPECT_EQ(string(cfg::kProgramArguments), "--fast 'x y'");
    EXPECT_EQ(string(cfg::kSearchSequence), "Ejava_home;Rjre;Y");
    EXPECT_EQ(string(cfg::kNativeLibraryDirs), "native;native64");
    EXPECT_EQ(string(cfg::kRequireJdk), "0");
    EXPECT_EQ(string(cfg::kNoProgressDialog), "2");
    EXPECT_EQ(string(cfg::kFlavour), "e");
    EXPECT_EQ(wide(cfg::kWAppTitle), "Grüße ✓");
    EXPECT_EQ(string(cfg::kMsgCaption), "Fehler \x96 \x80");  // Windows-1252 bytes
    EXPECT_EQ(string(cfg::kWAppTitle), "<absent>");  // the string space is separate
    EXPECT_EQ(project.strings.size(), 11u);
}

TEST_F(ProjectFile, UnsetKeysLeaveTheirEntriesAbsent)
{
    ASSERT_TRUE(load("# nothing\n")) << error;
    EXPECT_TRUE(project.strings.empty());
    EXPECT_TRUE(project.wides.empty());
    EXPECT_TRUE(project.files.empty());
    EXPECT_TRUE(project.includeRuntimeJar);
    // The runtime jar switch is kvellpack's own: it sets no entry.
    ASSERT_TRUE(load("include_runtime_jar = false\n")) << error;
    EXPECT_FALSE(project.includeRuntimeJar);
    EXPECT_TRUE(project.strings.empty());
}

TEST_F(ProjectFile, RawEntriesFillBothNumberSpaces)
{
    ASSERT_TRUE(load(R"(
        [raw.strings]
        4711 = "x"
        "20013" = "not the title"
        [raw.wide]
        4711 = "ψ"
    )")) << error;
    EXPECT_EQ(string(4711), "x");
    EXPECT_EQ(string(20013), "not the title");
    EXPECT_EQ(wide(4711), "ψ");
}

TEST_F(ProjectFile, BadValuesAreRefusedWithFileLineAndKey)
{
    EXPECT_EQ(refusal("min_version = \"11\"\nfoo = 1\n"), "p.toml:2: unknown key 'foo'");
    EXPECT_EQ(refusal("[messages]\ncaptian = \"x\"\n"),
              "p.toml:2: unknown key 'messages.captian'; did you mean 'messages.caption'?");
    EXPECT_EQ(refusal("[texts]\napp_title = \"x\"\n"),
              "p.toml:2: unknown key 'texts.app_title' (app_title is a top-level key)");
    EXPECT_EQ(refusal("min_version = 11\n"), "p.toml:1: 'min_version' must be a string, not an integer");
    EXPECT_EQ(refusal("require_jdk = \"yes\"\n"),
              "p.toml:1: 'require_jdk' must be a boolean or an integer, not a string");
    EXPECT_EQ(refusal("classpath = [\"A1a.jar\", 3]\n"),
              "p.toml:1: an item of 'classpath' must be a string or a table, not an integer");
    EXPECT_EQ(refusal("messages = 3\n"), "p.toml:1: 'messages' must be a table, not an integer");
    EXPECT_EQ(refusal("include_runtime_jar = 0\n"), "p.toml:1: 'include_runtime_jar' must be a boolean, not an integer");
    EXPECT_EQ(refusal("program_type = -1\n"), "p.toml:1: 'program_type' is -1, outside 0..2147483647");
    EXPECT_EQ(refusal("no_progress_dialog = 4294967296\n"),
              "p.toml:1: 'no_progress_dialog' is 4294967296, outside -2147483648..2147483647");
    EXPECT_EQ(refusal("flavour = \"x\"\n"), "p.toml:1: 'flavour' must be \"launcher\" or \"installer\", not \"x\"");
    EXPECT_EQ(refusal("main_class = \"a\\u0000b\"\n"),
              "p.toml:1: 'main_class' contains a NUL character, which would end the text early");
    EXPECT_EQ(refusal("[messages]\ncaption = \"Ω\"\n"),
              "p.toml:2: 'messages.caption' contains the character 'Ω' (U+03A9), which Windows-1252 (the code page "
              "of 8-bit entries) cannot represent");
    EXPECT_EQ(refusal("vm_options = \"-Da='b\"\n"),
              "p.toml:1: 'vm_options': a quote is not closed; the launcher would stop with its unbalanced-quotes "
              "message");
    EXPECT_NE(refusal("[texts]\ndownload_status = \"%d bit\"\n").find("'texts.download_status'"),
              std::string::npos);
    EXPECT_NE(refusal("min_version = \"11\"\nmin_version = \"12\"\n").find("p.toml:2:"), std::string::npos);
}

TEST_F(ProjectFile, ValuesLongerThanTheLaunchersBuffersAreRefused)
{
    EXPECT_TRUE(load("main_class = \"" + std::string(8191, 'a') + "\"\n")) << error;
    EXPECT_EQ(refusal("main_class = \"" + std::string(8192, 'a') + "\"\n"),
              "p.toml:1: 'main_class' is 8192 characters long; the launcher takes at most 8191");
    EXPECT_TRUE(load("app_title = \"" + std::string(8191, 'a') + "\"\n")) << error;
    EXPECT_NE(refusal("app_title = \"" + std::string(8190, 'a') + "\xF0\x9F\x98\x80\"\n").find("8192 UTF-16 units"),
              std::string::npos);
    // Joined lists count as a whole.
    EXPECT_NE(refusal("vm_options = [\"" + std::string(5000, 'a') + "\", \"" + std::string(5000, 'b') + "\"]\n")
                  .find("10001 characters"),
              std::string::npos);
    writeText(path("a.jar"), "a");
    EXPECT_TRUE(load(includedUnder("a.jar", namesJoiningTo(8191)))) << error;
    EXPECT_EQ(refusal(includedUnder("a.jar", namesJoiningTo(8192))),
              "p.toml:1: 'included_files' is 8192 characters long; the launcher takes at most 8191");
    EXPECT_TRUE(load("preferred_vm_kind = \"" + std::string(199, 'a') + "\"\n")) << error;
    EXPECT_NE(refusal("preferred_vm_kind = \"" + std::string(200, 'a') + "\"\n").find("at most 199"),
              std::string::npos);
}

TEST_F(ProjectFile, RawEntriesAreChecked)
{
    EXPECT_EQ(refusal("[raw.strings]\nx1 = \"a\"\n"),
              "p.toml:2: 'raw.strings.x1': raw entries are named by their decimal number");
    EXPECT_EQ(refusal("[raw.strings]\n\"-5\" = \"a\"\n"),
              "p.toml:2: 'raw.strings.-5': raw entries are named by their decimal number");
    EXPECT_EQ(refusal("[raw.strings]\n99999999999 = \"a\"\n"),
              "p.toml:2: 'raw.strings.99999999999': raw entries are named by their decimal number");
    EXPECT_EQ(refusal("[raw.strings]\n2002 = \"1\"\n"),
              "p.toml:2: 'raw.strings.2002': entries 2002 and 2003 are written from included_files");
    EXPECT_EQ(refusal("[raw.wide]\n7 = 7\n"), "p.toml:2: 'raw.wide.7' must be a string, not an integer");
    EXPECT_EQ(refusal("[raw.other]\n"), "p.toml:1: unknown key 'raw.other'");
    std::string twice = refusal("min_version = \"11\"\n[raw.strings]\n126 = \"12\"\n");
    EXPECT_NE(twice.find("entry 126 is set twice, by 'min_version' and by 'raw.strings.126'"), std::string::npos)
        << twice;
    // The same number in the other space is another entry.
    EXPECT_TRUE(load("min_version = \"11\"\n[raw.wide]\n126 = \"w\"\n")) << error;
}

TEST_F(ProjectFile, SyntaxErrorsNameTheLine)
{
    std::string error = refusal("min_version = \"11\"\nmax_version = \n");
    EXPECT_EQ(error.rfind("p.toml:2: ", 0), 0u) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
}

// toml++ 3.3.0 runs into __builtin_unreachable when it asks whether "é",
// U+FEDF and many others are whitespace; such text never reaches it.
TEST_F(ProjectFile, CharactersTheTomlReaderMisreadsAreRefusedWithTheirLine)
{
    EXPECT_EQ(refusal("main_class = \"App\"\nmin_version = 1\xC3\xA9\n"),
              "p.toml:2: the character '\xC3\xA9' (U+00E9) can only stand in a string or a comment");
    EXPECT_EQ(refusal("main_class = 1='x\xEF\xBB\x9F'\n"),
              "p.toml:1: the character '\xEF\xBB\x9F' (U+FEDF) can only stand in a string or a comment");
    std::string afterBackslash = refusal("app_title = \"\"\"\\\n\n   \xEF\xBB\x9F\"\"\"\n");
    EXPECT_EQ(afterBackslash.rfind("p.toml:3: the character '\xEF\xBB\x9F' (U+FEDF) cannot follow a backslash", 0), 0u)
        << afterBackslash;
    // The reader skips U+FEFF there as a blank and tests what follows it.
    std::string afterBom = refusal("app_title = \"\"\"\\\n \xEF\xBB\xBF\n \xEF\xB7\xBFx\"\"\"\n");
    EXPECT_EQ(afterBom.rfind("p.toml:3: the character '\xEF\xB7\xBF' (U+FDFF) cannot follow a backslash", 0), 0u)
        << afterBom;

    // The same characters in strings, quoted keys and comments are read as usual.
    ASSERT_TRUE(load("# \xC3\xA9\xEF\xBB\x9F\n\"main_class\" = '\xC3\xA9'\n"
                     "app_title = \"\"\"\\\n   x \xEF\xBB\x9F\"\"\"  # \xEF\xBB\x9F\n"
                     "[texts]\nchooser_title = \"a\\\"\xC3\xA9\"\n"))
        << error;
    EXPECT_EQ(string(cfg::kMainClass), "\xE9");  // Windows-1252
    EXPECT_EQ(wide(cfg::kWAppTitle), "x \xEF\xBB\x9F");
    EXPECT_EQ(wide(cfg::kWChooserTitle), "a\"\xC3\xA9");
}

TEST_F(ProjectFile, IncludedFilesAreResolvedAgainstTheProjectDirectory)
{
    std::filesystem::create_directories(path("build"));
    writeText(path("build/app-1.0.jar"), "jar");
    writeText(path("jre.tar.gz"), "runtime");
    writeText(path("empty.txt"), "");
    ASSERT_TRUE(load(R"(included_files = ["jre.tar.gz", { path = "build/app-1.0.jar", name = "app.jar" }, "empty.txt"])"))
        << error;
    ASSERT_EQ(project.files.size(), 3u);
    EXPECT_EQ(project.files[1].name, "app.jar");
    EXPECT_EQ(project.files[1].path, path("build/app-1.0.jar"));
    EXPECT_EQ(project.files[1].size, 3);
    EXPECT_EQ(string(cfg::kIncludedFileCount), "3");
    EXPECT_EQ(string(cfg::kIncludedFileNames), "jre.tar.gz;app.jar;empty.txt");
    ASSERT_EQ(project.warnings.size(), 1u);
    EXPECT_NE(project.warnings[0].find("'empty.txt' is empty"), std::string::npos);
}

TEST_F(ProjectFile, BadIncludedFilesAreRefused)
{
    writeText(path("a.jar"), "a");
    std::filesystem::create_directories(path("sub"));
    EXPECT_EQ(refusal("included_files = [\"missing.jar\"]\n"),
              "p.toml:1: included file 'missing.jar' not found (looked for " + path("missing.jar") + ")");
    EXPECT_EQ(refusal("included_files = [\"sub\"]\n"), "p.toml:1: 'included_files': folder 'sub' holds no files");
    for (const char* name : {"x/a.jar", "x\\\\a.jar", "c:a.jar"})
        EXPECT_NE(refusal("included_files = [{ path = \"a.jar\", name = \"" + std::string(name) + "\" }]\n")
                      .find("contains a path separator"),
                  std::string::npos)
            << name;
    EXPECT_NE(refusal("included_files = [{ path = \"a.jar\", name = \"..\" }]\n").find("is not a file name"),
              std::string::npos);
    EXPECT_NE(refusal("included_files = [{ path = \"a.jar\", name = \"a;b\" }]\n").find("contains ';'"),
              std::string::npos);
    EXPECT_NE(refusal("included_files = [{ path = \"a.jar\", name = \"Ω.jar\" }]\n").find("Windows-1252"),
              std::string::npos);
    EXPECT_EQ(refusal("included_files = [\"a.jar\", { path = \"a.jar\", name = \"A.JAR\" }]\n"),
              "p.toml:1: two included files are named 'A.JAR'");
    EXPECT_EQ(refusal("included_files = [{ name = \"a.jar\" }]\n"),
              "p.toml:1: an included_files table needs a 'path'");
    EXPECT_EQ(refusal("included_files = [{ path = \"a.jar\", size = 1 }]\n"),
              "p.toml:1: unknown key 'included_files.size'");
    EXPECT_EQ(refusal("included_files = \"a.jar\"\n"), "p.toml:1: 'included_files' must be an array, not a string");
}

TEST_F(ProjectFile, MisspeltKeysGetTheNearestKnownKeyOfTheirTable)
{
    writeText(path("a.jar"), "a");
    EXPECT_EQ(refusal("main_clas = \"a.B\"\n"), "p.toml:1: unknown key 'main_clas'; did you mean 'main_class'?");
    EXPECT_EQ(refusal("inclde_runtime_jar = false\n"),
              "p.toml:1: unknown key 'inclde_runtime_jar'; did you mean 'include_runtime_jar'?");
    EXPECT_EQ(refusal("[texts]\ncancel_buton = \"x\"\n"),
              "p.toml:2: unknown key 'texts.cancel_buton'; did you mean 'texts.cancel_button'?");
    EXPECT_EQ(refusal("included_files = [{ paht = \"a.jar\" }]\n"),
              "p.toml:1: unknown key 'included_files.paht'; did you mean 'included_files.path'?");
    // Only a slip of the keyboard gets a suggestion; a key from another table is no slip.
    EXPECT_EQ(refusal("colour = \"red\"\n"), "p.toml:1: unknown key 'colour'");
    EXPECT_EQ(refusal("[messages]\ncancel_button = \"x\"\n"), "p.toml:2: unknown key 'messages.cancel_button'");
}

TEST_F(ProjectFile, ProjectFileOnDiskAnchorsRelativePaths)
{
    std::filesystem::create_directories(path("proj"));
    writeText(path("proj/app.jar"), "jar");
    writeText(path("proj/p.toml"), "included_files = [\"app.jar\"]\nmain_class = \"a.B\"\n");
    Project onDisk;
    std::string why;
    ASSERT_TRUE(loadProject(path("proj/p.toml"), &onDisk, &why)) << why;
    ASSERT_EQ(onDisk.files.size(), 1u);
    EXPECT_EQ(onDisk.files[0].path, path("proj/app.jar"));
    EXPECT_FALSE(loadProject(path("proj/none.toml"), &onDisk, &why));
    EXPECT_EQ(why, "cannot open project file '" + path("proj/none.toml") + "'");
}

TEST_F(ProjectFile, ClassPathEntriesAsTables)
{
    ASSERT_TRUE(load(R"(
        classpath = [
          { kind = "A", required = true, value = "lib/app.jar" },
          { kind = "E", value = "EXTRA_CP" },
          "S0plugins",
        ]
    )")) << error;
    EXPECT_EQ(string(cfg::kClassPath), "A1lib/app.jar;E0EXTRA_CP;S0plugins");

    EXPECT_EQ(refusal("classpath = [{ kind = \"Q\", value = \"x\" }]\n"),
              "p.toml:1: 'classpath': class path entry 'Q0x' has the unknown kind 'Q' (use A, D, E or S)");
    EXPECT_NE(refusal("classpath = [{ kind = \"A\" }]\n").find("needs a 'value'"), std::string::npos);
    EXPECT_NE(refusal("classpath = [{ kind = \"AB\", value = \"x\" }]\n").find("one-letter 'kind'"), std::string::npos);
    EXPECT_NE(refusal("classpath = [{ kind = \"A\", value = \"x\", required = 1 }]\n").find("a boolean"),
              std::string::npos);
    EXPECT_NE(refusal("classpath = [{ kind = \"A\", value = \"x\", optional = true }]\n").find("unknown key"),
              std::string::npos);
}

TEST_F(ProjectFile, RuntimeDigestIsWrittenAsSixtyFourLowerCaseHexDigits)
{
    const std::string url = "jre_download_url = \"https://example.com/jre.tar.gz\"\n";
    const std::string digest = "9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08";
    ASSERT_TRUE(load(url + "jre_download_sha256 = \"" + digest + "\"\n")) << error;
    EXPECT_EQ(string(cfg::kJreDownloadSha256), "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08");

    EXPECT_EQ(refusal(url + "jre_download_sha256 = \"" + digest.substr(1) + "\"\n"),
              "p.toml:2: 'jre_download_sha256' must be the archive's SHA-256 as 64 hex digits; it has 63");
    EXPECT_EQ(refusal(url + "jre_download_sha256 = \"" + digest.substr(1) + "g\"\n"),
              "p.toml:2: 'jre_download_sha256' must be the archive's SHA-256 as 64 hex digits; 'g' is not a hex "
              "digit");
    // A raw entry of the same number is checked the same way.
    EXPECT_NE(refusal(url + "[raw.strings]\n161 = \"sha256:" + digest + "\"\n").find("p.toml:3: 'raw.strings.161' "),
              std::string::npos);
}

TEST_F(ProjectFile, RuntimeDownloadNeedsAnHttpUrl)
{
    for (const char* url : {"HTTPS://Example.com:8443/jre.tar.gz?v=17", "http://user@[::1]/jre.tar.gz",
                            "http://10.0.0.1", ""}) {
        EXPECT_TRUE(load("jre_download_url = \"" + std::string(url) + "\"\n")) << url << ": " << error;
        EXPECT_EQ(string(cfg::kJreDownloadUrl), url);
    }
    EXPECT_EQ(refusal("jre_download_url = \"ftp://example.com/jre.tar.gz\"\n"),
              "p.toml:1: 'jre_download_url' must be an http:// or https:// URL with a host, not "
              "'ftp://example.com/jre.tar.gz'");
    for (const char* url : {"https:///jre.tar.gz", "http://@/x", "http://host:80x/", "http://[::1", "jre.tar.gz"})
        EXPECT_NE(refusal("jre_download_url = \"" + std::string(url) + "\"\n").find("with a host"), std::string::npos);
    EXPECT_EQ(refusal("jre_download_url = \"http://example.com/my jre.tar.gz\"\n"),
              "p.toml:1: 'jre_download_url' contains a blank or a control character at position 22 (write a blank "
              "as %20)");
    EXPECT_NE(refusal("[raw.strings]\n150 = \"file:///C:/jre.tar.gz\"\n").find("p.toml:2: 'raw.strings.150' must be"),
              std::string::npos);

    // Without a URL the launcher has nothing to download or check, whoever sets the entries.
    const std::string nothing = "download_without_asking is set, but jre_download_url is not: the launcher would "
                                "have nothing to download";
    EXPECT_EQ(refusal("main_class = \"a.B\"\ndownload_without_asking = true\n"), "p.toml:2: " + nothing);
    EXPECT_EQ(refusal("jre_download_url = \"\"\n[raw.strings]\n157 = \"1\"\n"), "p.toml:3: " + nothing);
    EXPECT_EQ(refusal("jre_download_sha256 = \"" + std::string(64, 'a') + "\"\n"),
              "p.toml:1: jre_download_sha256 is set, but jre_download_url is not: the launcher would download "
              "nothing to check it against");
    EXPECT_TRUE(load("download_without_asking = false\n")) << error;
}

// Limits are versions, and leave room for one: a typo would otherwise refuse
// every runtime on the user's machine.
TEST_F(ProjectFile, VersionLimitsAreVersionsThatLeaveRoom)
{
    EXPECT_TRUE(load("min_version = \"17.0.5\"\nmax_version = \"17\"\n")) << error;
    EXPECT_TRUE(load("min_version = \"1.8\"\nmax_version = \"21.0.1+12\"\n")) << error;
    EXPECT_EQ(refusal("max_version = \"java 17\"\n"),
              "p.toml:1: 'max_version' must be a Java version such as 17, 1.8 or 1.8.0_292, not 'java 17'");
    EXPECT_EQ(refusal("min_version = \"11\"\nmax_version = \"1.8\"\n"),
              "p.toml:1: min_version 11 is above max_version 1.8: no Java version meets both");
    EXPECT_NE(refusal("[raw.strings]\n126 = \"9..1\"\n").find("'raw.strings.126' must be a Java version"),
              std::string::npos);
}
