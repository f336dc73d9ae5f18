#include <gtest/gtest.h>

#include "payload/config_ids.h"
#include "test_support.h"
#include "tools/kvellpack/jar_manifest.h"
#include "tools/kvellpack/main_class.h"
#include "tools/kvellpack/project_file.h"

using namespace kvellpack;

namespace {

struct MainClass : ScratchDir {
    Project project;
    std::string note, error;

    bool resolve(const std::string& toml)
    {
        project = Project();
        note.clear();
        error.clear();
        EXPECT_TRUE(loadProjectText(toml, "p.toml", dir, &project, &error)) << error;
        return resolveMainClass(&project, "p.toml", &note, &error);
    }
};

}  // namespace

TEST(Manifest, MainSectionAttributesWithContinuationLines)
{
    std::string manifest = "Manifest-Version: 1.0\r\nmain-class: com.example.averyveryveryveryveryveryveryverylong\r\n"
                           " ClassName\r\nCreated-By: 17\r\n\r\nName: a/\r\nMain-Class: not.This\r\n";
    EXPECT_EQ(manifestAttribute(manifest, "Main-Class"), "com.example.averyveryveryveryveryveryveryverylongClassName");
    EXPECT_EQ(manifestAttribute("Manifest-Version: 1.0\rMain-Class:  a.B \r", "Main-Class"), "a.B");
    EXPECT_EQ(manifestAttribute("Manifest-Version: 1.0\n\nMain-Class: a.B\n", "Main-Class"), "");
}

TEST_F(MainClass, JarsAreReadStoredOrDeflated)
{
    std::string mainClass, why;
    for (bool deflated : {false, true}) {
        writeJar(path("app.jar"), "Manifest-Version: 1.0\nMain-Class: a.Main\n\n", deflated);
        ASSERT_TRUE(jarMainClass(path("app.jar"), &mainClass, &why)) << why;
        EXPECT_EQ(mainClass, "a.Main");
    }
    writeBytes(path("plain.zip"), makeZip({{"a.txt", "x"}}, true));
    ASSERT_TRUE(jarMainClass(path("plain.zip"), &mainClass, &why)) << why;
    EXPECT_EQ(mainClass, "");
    writeText(path("text.jar"), "not a zip at all, but long enough to hold an end record");
    EXPECT_FALSE(jarMainClass(path("text.jar"), &mainClass, &why));
    EXPECT_EQ(why, "is not a zip file (no end of central directory)");
    Bytes cut = makeZip({{"META-INF/MANIFEST.MF", "Main-Class: a.B\n"}}, true);
    cut[30 + 20] ^= 0xFF;  // a byte of the deflated data
    writeBytes(path("cut.jar"), cut);
    EXPECT_FALSE(jarMainClass(path("cut.jar"), &mainClass, &why));
    EXPECT_EQ(why, "has an entry META-INF/MANIFEST.MF that does not inflate");
#ifdef KVELL_HELLO_JAR
    ASSERT_TRUE(jarMainClass(KVELL_HELLO_JAR, &mainClass, &why)) << why;  // as the JDK's jar tool writes it
    EXPECT_EQ(mainClass, "com.example.hello.Hello");
#endif
}

TEST_F(MainClass, ALeftOutMainClassComesFromTheFirstJarOrIsAnError)
{
    writeText(path("readme.txt"), "x");
    writeJar(path("app.jar"), "Main-Class: com.example.Main\n");
    writeJar(path("lib.jar"), "Manifest-Version: 1.0\n");
    ASSERT_TRUE(resolve("included_files = [\"readme.txt\", \"app.jar\", \"lib.jar\"]\n")) << error;
    EXPECT_EQ(note, "main_class not set: using com.example.Main from app.jar's manifest");
    EXPECT_EQ(project.strings[cfg::kMainClass], "com.example.Main");

    ASSERT_TRUE(resolve("main_class = \"x.Y\"\nincluded_files = [\"app.jar\"]\n"));
    EXPECT_EQ(note, "");
    EXPECT_EQ(project.strings[cfg::kMainClass], "x.Y");

    EXPECT_FALSE(resolve("included_files = [\"lib.jar\", \"app.jar\"]\n"));
    EXPECT_EQ(error, "p.toml: main_class is not set, and lib.jar's manifest names no Main-Class");
    EXPECT_FALSE(resolve("included_files = [\"readme.txt\"]\n"));
    EXPECT_EQ(error, "p.toml: main_class is not set, and no included jar names one in its manifest");
    // A project that brings its own launcher class may do without.
    EXPECT_TRUE(resolve("include_runtime_jar = false\n")) << error;
    EXPECT_EQ(project.strings.count(cfg::kMainClass), 0u);
}
