#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "payload/config_ids.h"
#include "test_support.h"
#include "tools/kvellpack/entry_encoding.h"
#include "tools/kvellpack/format_check.h"
#include "tools/kvellpack/key_table.h"
#include "tools/kvellpack/key_listing.h"
#include "tools/kvellpack/payload_writer.h"
#include "tools/kvellpack/project_defaults.h"
#include "tools/kvellpack/project_file.h"
#include "tools/kvellpack/stub_choice.h"

using namespace kvellpack;

namespace {

// What a user reads: the message box texts, app_title and the dialog texts.
bool isShownText(const KeySpec& spec)
{
    return spec.space == EntrySpace::Wide || std::string(spec.table) == "messages";
}

struct Defaults : ScratchDir {
    Project project;
    std::string error;

    void load(const std::string& toml, const std::string& programName)
    {
        project = Project();
        ASSERT_TRUE(loadProjectText(toml, "p.toml", dir, &project, &error)) << error;
        addDefaults(&project, programName);
    }

    std::string string(int id) { return project.strings.count(id) ? project.strings[id] : "<absent>"; }
    std::string wide(int id) { return project.wides.count(id) ? utf8FromWide(project.wides[id]) : "<absent>"; }
};

// The line of `kvellpack keys` after the one that names key.
std::string lineAfterKey(const std::string& keys, const std::string& key)
{
    size_t at = keys.find("\n" + key + " ");
    size_t start = at == std::string::npos ? std::string::npos : keys.find('\n', at + 1);
    return start == std::string::npos ? "" : keys.substr(start + 1, keys.find('\n', start + 1) - start - 1);
}

}  // namespace

TEST(DefaultTexts, EveryShownTextHasOneThatPassesTheChecksOfItsKey)
{
    for (const KeySpec& spec : keyTable()) {
        if (!isShownText(spec))
            continue;
        SCOPED_TRACE(keyPath(spec));
        std::string value = spec.defaultValue;
        EXPECT_NE(spec.defaultRule, DefaultRule::None);
        ASSERT_FALSE(value.empty());
        EXPECT_NE(value.back(), ' ');
        std::string why, bytes;
        WideString units;
        EXPECT_TRUE(checkFormat(spec.format, value, &why)) << why;
        EXPECT_TRUE(spec.space == EntrySpace::String ? encodeString(value, spec.maxLength, &bytes, &why)
                                                     : encodeWide(value, spec.maxLength, &units, &why))
            << why;
    }
}

TEST_F(Defaults, AProjectWithoutTextsPacksOneForEveryShownEntry)
{
    load("main_class = \"a.B\"\n", "Hello");
    writeBytes(path("stub.exe"), makeFakePe());
    PackResult result;
    ASSERT_TRUE(packLauncher(path("stub.exe"), project, path("out.exe"), &result, &error)) << error;

    ConfigStore store;
    PayloadLayout layout;
    ASSERT_EQ(readPayloadOf(path("out.exe"), &store, &layout), PayloadStatus::Ok);
    for (const KeySpec& spec : keyTable()) {
        if (!isShownText(spec))
            continue;
        SCOPED_TRACE(keyPath(spec));
        EXPECT_FALSE(spec.space == EntrySpace::String ? store.strings[spec.id].empty() : store.wides[spec.id].empty());
    }
    EXPECT_EQ(store.wides[cfg::kWAppTitle], wideFromUtf8("Hello"));
    EXPECT_EQ(store.strings[cfg::kMsgCaption], "Hello");
    EXPECT_EQ(store.wides[cfg::kWCancelButton], wideFromUtf8("Cancel"));
    EXPECT_EQ(store.strings[cfg::kMainClass], "a.B");
}

TEST_F(Defaults, WhatTheProjectSetsIsKept)
{
    load(R"(
        app_title = "Grüße"
        [messages]
        caption = ""
        [texts]
        cancel_button = "Abbrechen"
        [raw.wide]
        20010 = "Holen"
    )", "Hello");
    EXPECT_EQ(wide(cfg::kWAppTitle), "Grüße");
    EXPECT_EQ(string(cfg::kMsgCaption), "");  // empty on purpose is still set
    EXPECT_EQ(wide(cfg::kWCancelButton), "Abbrechen");
    EXPECT_EQ(wide(cfg::kWDownloadButton), "Holen");  // a raw entry counts as set
    EXPECT_EQ(wide(cfg::kWBrowseButton), "Browse...");
}

TEST_F(Defaults, TheProgramsNameIsTheCaptionWhereItsEncodingAllows)
{
    load("", "Ωmega");  // no Windows-1252 form: the 8-bit caption cannot carry it
    EXPECT_EQ(wide(cfg::kWAppTitle), "Ωmega");
    EXPECT_EQ(string(cfg::kMsgCaption), "Java application");
    load("", "");
    EXPECT_EQ(wide(cfg::kWAppTitle), "Java application");
    EXPECT_EQ(string(cfg::kMsgCaption), "Java application");
    EXPECT_EQ(programNameFromProject("dist/My App.toml"), "My App");
}

TEST_F(Defaults, OnlyWindowedProgramsGetTheProgressDialogUnasked)
{
    struct Case {
        const char* toml;
        const char* entry;  // no_progress_dialog as packed
        bool warns;
    };
    const Case cases[] = {
        {"", "1", false},  // no program_type: a console program
        {"program_type = 5", "1", false},
        {"program_type = 1", "<absent>", false},
        {"[raw.strings]\n107 = \"1\"", "<absent>", false},  // the entry counts, however it was set
        {"no_progress_dialog = true", "1", false},
        {"program_type = 1\nno_progress_dialog = false", "0", false},
        {"no_progress_dialog = false", "0", true},
        {"no_progress_dialog = 0\nno_launch_timeout = true", "0", false},
        {"no_progress_dialog = false\nno_launch_timeout = false", "0", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.toml);
        load(c.toml, "app");
        EXPECT_EQ(string(cfg::kNoProgressDialog), c.entry);
        ASSERT_EQ(project.warnings.size(), c.warns ? 1u : 0u);
        if (c.warns) {
            const std::string& warning = project.warnings[0];
            EXPECT_NE(warning.find("no_progress_dialog = false"), std::string::npos) << warning;
            EXPECT_NE(warning.find("no_launch_timeout = true"), std::string::npos) << warning;
            EXPECT_EQ(warning.find('\n'), std::string::npos) << warning;
        }
    }
}

TEST(DefaultTexts, KeysListsEachDefaultUnderItsKey)
{
    std::string keys = describeKeys();
    EXPECT_NE(lineAfterKey(keys, "texts.cancel_button").find("default: \"Cancel\""), std::string::npos) << keys;
    EXPECT_NE(lineAfterKey(keys, "no_progress_dialog").find("default: \"1\" unless program_type is 1"),
              std::string::npos)
        << keys;
    EXPECT_EQ(lineAfterKey(keys, "working_directory").find("default:"), std::string::npos) << keys;  // none written
    EXPECT_NE(lineAfterKey(keys, "search_sequence").find("default: \"Rjre;M;EJAVA_HOME;Y;S\""), std::string::npos)
        << keys;
    EXPECT_NE(lineAfterKey(keys, "main_class").find("default: the Main-Class in the manifest of the first included jar"),
              std::string::npos)
        << keys;
    // Each key with its real type; the keys that stand for files and tables too.
    for (const char* line : {"\nmin_version                          126    string version  ",
                             "\nprogram_type                         107    string integer  ",
                             "\nrequire_jdk                          131    string flag     ",
                             "\nclasspath                            121    string list     ",
                             "\ninclude_runtime_jar                  -      -      boolean  ",
                             "\nincluded_files                       2002   string array    ",
                             "\nraw.wide                             -      wide   table    "})
        EXPECT_NE(keys.find(line), std::string::npos) << line;
}

// An application gets what an application needs, each entry overridable; an
// installer keeps the launcher's installer behaviour.
TEST_F(Defaults, ApplicationsGetTheirEntriesAndStubUnasked)
{
    const int entries[] = {cfg::kMultipleInstances, cfg::kKeepWorkingDirectory, cfg::kPassAllArguments,
                           cfg::kRemoveExtractedFiles, cfg::kNoInstallMarker};
    load("flavour = \"launcher\"\nkeep_working_directory = false", "app");
    for (int id : entries)
        EXPECT_EQ(string(id), id == cfg::kKeepWorkingDirectory ? "0" : "1") << id;
    EXPECT_TRUE(wantsConsoleStub(project));
    std::string chosen, note;
    ASSERT_TRUE(chooseStub(KVELL_WINDOWS_STUB, project, &chosen, &note, &error)) << error;
    EXPECT_EQ(std::filesystem::path(chosen).filename(), "kvellc.exe");
    EXPECT_EQ(stubSubsystem(chosen), kSubsystemConsole);
    std::filesystem::copy_file(KVELL_WINDOWS_STUB, dir + "/kvell.exe");
    EXPECT_FALSE(chooseStub(dir + "/kvell.exe", project, &chosen, &note, &error));
    EXPECT_NE(error.find("needs the stub kvellc.exe, but there is none beside"), std::string::npos) << error;

    load("flavour = \"launcher\"\nprogram_type = 1", "app");
    EXPECT_FALSE(wantsConsoleStub(project));
    load("flavour = \"installer\"", "app");
    for (int id : entries)
        EXPECT_EQ(string(id), "<absent>") << id;
    EXPECT_FALSE(wantsConsoleStub(project));
    load("console = true", "app");
    EXPECT_TRUE(wantsConsoleStub(project));
}
