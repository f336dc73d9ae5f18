#include "key_table.h"

#include "payload/config_ids.h"

namespace kvellpack {

namespace {

KeySpec setting(const char* name, int id, ValueKind kind, const char* summary)
{
    return KeySpec{"", name, id, EntrySpace::String, kind, kMaxValueLength, FormatRule::None, summary};
}

// Error texts of the launcher; a project that sets none still gets readable ones.
KeySpec message(const char* name, int id, const char* summary, const char* defaultValue)
{
    return KeySpec{"messages", name, id, EntrySpace::String, ValueKind::Text, kMaxValueLength,
                   FormatRule::None, summary, DefaultRule::Always, defaultValue};
}

KeySpec text(const char* name, int id, const char* summary, const char* defaultValue,
             FormatRule format = FormatRule::None)
{
    return KeySpec{"texts", name, id, EntrySpace::Wide, ValueKind::Text, kMaxValueLength, format, summary,
                   DefaultRule::Always, defaultValue};
}

KeySpec withDefault(KeySpec spec, DefaultRule rule, const char* value)
{
    spec.defaultRule = rule;
    spec.defaultValue = value;
    return spec;
}

// The caption when kvellpack knows no name for the program.
constexpr const char* kUnnamedProgram = "Java application";

std::vector<KeySpec> buildTable()
{
    using K = ValueKind;
    std::vector<KeySpec> t = {
        // 102..106 are handed to the Java side; kvell-runtime.jar redirects the program's output with them.
        setting("redirect_stdout", cfg::kFirstPathArgEnabled, K::Flag, "hand stdout_file to the Java side"),
        setting("stdout_file", cfg::kFirstPathArg, K::Text, "file that receives System.out"),
        setting("redirect_stderr", cfg::kSecondPathArgEnabled, K::Flag, "hand stderr_file to the Java side"),
        setting("stderr_file", cfg::kSecondPathArg, K::Text, "file that receives System.err"),
        setting("append_output", cfg::kBooleanArg, K::Flag, "append to those files instead of replacing them"),
        setting("program_type", cfg::kProgramType, K::Integer, "1 windowed program; 1 and 5 show errors in message boxes"),
        setting("classpath", cfg::kClassPath, K::ClassPath, "class path entries: kind letter, required flag, value"),
        setting("main_class", cfg::kMainClass, K::Text, "main class handed to the Java side"),
        setting("vm_options", cfg::kVmOptions, K::WordList, "VM options"),
        setting("program_arguments", cfg::kProgramArguments, K::WordList, "arguments before the command line's"),
        setting("j_arguments_as_vm_options", cfg::kJArgumentsToVm, K::Flag, "\"-J\" arguments become VM options"),
        setting("min_version", cfg::kMinVersion, K::Version, "minimum Java version (every version starting with it counts)"),
        setting("max_version", cfg::kMaxVersion, K::Version, "maximum Java version (every version starting with it counts)"),
        // The program's own runtime first, then the machine's: installed runtimes, JAVA_HOME, the legacy
        // registry keys, PATH.
        withDefault(
            setting("search_sequence", cfg::kSearchSequence, K::SearchSequence, "where to look for a Java runtime"),
            DefaultRule::Always, "Rjre;M;EJAVA_HOME;Y;S"),
        setting("allow_prerelease", cfg::kAllowPreRelease, K::Flag, "accept beta, ea and rc runtimes"),
        setting("require_jdk", cfg::kRequireJdk, K::Flag, "only a JDK counts"),
        setting("working_directory", cfg::kWorkingDirectory, K::Text, "made current at start"),
        setting("jre_download_url", cfg::kJreDownloadUrl, K::HttpUrl,
                "runtime archive (jre.tar.gz) download URL, http:// or https://"),
        setting("jre_download_sha256", cfg::kJreDownloadSha256, K::Sha256,
                "SHA-256 of the archive at jre_download_url (64 hex digits); the launcher refuses a download "
                "that differs"),
        setting("jre_uncompressed_size", cfg::kJreUncompressedSize, K::Integer,
                "bytes of the included jre.tar.gz, unpacked (runtime_dir and runtime_archive write it)"),
        setting("preferred_vm_kind", cfg::kPreferredVmKind, K::Text, "VM kind tried first (\"server\", ...)"),
        setting("jre_pack200", cfg::kJrePack200, K::Flag, "the included runtime is Pack200-packed"),
        // The progress dialog waits for the program's window and ends a program that shows none, so only
        // windowed programs get it unasked.
        withDefault(setting("no_progress_dialog", cfg::kNoProgressDialog, K::Flag, "run without the progress dialog"),
                    DefaultRule::NotWindowed, "1"),
        setting("download_without_asking", cfg::kDownloadWithoutAsking, K::Flag,
                "download the runtime without asking (needs jre_download_url)"),
        // An ordinary application ("launcher") is neither a single instance nor an installation.
        withDefault(setting("multiple_instances", cfg::kMultipleInstances, K::Flag, "several instances may run at once"),
                    DefaultRule::Launcher, "1"),
        withDefault(setting("keep_working_directory", cfg::kKeepWorkingDirectory, K::Flag,
                            "Java works where the launcher was started (or in working_directory)"),
                    DefaultRule::Launcher, "1"),
        withDefault(setting("pass_all_arguments", cfg::kPassAllArguments, K::Flag,
                            "no launcher switches (-q, -c, -console, -manual): all arguments are the program's"),
                    DefaultRule::Launcher, "1"),
        withDefault(setting("remove_extracted_files", cfg::kRemoveExtractedFiles, K::Flag,
                            "the run's extracted files go when it ends; earlier runs' leftovers are swept"),
                    DefaultRule::Launcher, "1"),
        withDefault(setting("no_install_marker", cfg::kNoInstallMarker, K::Flag,
                            "the installation marker is neither set nor asked about"),
                    DefaultRule::Launcher, "1"),
        setting("single_instance_global", cfg::kGlobalSingleInstance, K::Flag,
                "one instance per machine, not per session"),
        setting("no_launch_timeout", cfg::kWatcherNeverTimesOut, K::Flag, "wait for the program's window forever"),
        setting("flavour", cfg::kFlavour, K::Flavour, "\"launcher\" or \"installer\""),
        setting("quillmere_directory", cfg::kQuillmereDirectory, K::Text, "directory holding \".quillmere\""),
        setting("native_library_dirs", cfg::kNativeLibraryDirs, K::PathList, "directories put in front of PATH"),
        setting("pass_process_comm_file", cfg::kPassProcessCommFile, K::Flag, "pass kvell.processCommFile"),
        withDefault(KeySpec{"", "app_title", cfg::kWAppTitle, EntrySpace::Wide, K::Text, kMaxValueLength,
                            FormatRule::None, "caption of the dialogs and message boxes"},
                    DefaultRule::ProgramName, kUnnamedProgram),

        withDefault(message("caption", cfg::kMsgCaption, "caption of error message boxes", ""),
                    DefaultRule::ProgramName, kUnnamedProgram),
        message("cannot_start_java", cfg::kMsgCannotStartJava, "the Java program could not be started",
                "The Java program could not be started."),
        message("classpath_entry_missing", cfg::kMsgClassPathEntryMissing, "a required class path entry is missing ({0})",
                "A required class path entry was not found: {0}"),
        message("unbalanced_quotes", cfg::kMsgUnbalancedQuotes, "a quote is not closed",
                "A quotation mark is not closed in the command line or the program's options."),
        message("classpath_variable_missing", cfg::kMsgClassPathVariableMissing, "a class path variable is undefined ({0})",
                "The environment variable {0} is not set, but the class path needs it."),
        message("internal_error", cfg::kMsgInternalError, "internal error ({0}: code)", "Internal error {0}."),
        message("launcher_class_missing", cfg::kMsgLauncherClassMissing, "the Java launcher class is missing",
                "The launcher's Java class was not found (kvell-runtime.jar is missing)."),
        message("main_method_missing", cfg::kMsgMainMethodMissing, "its main method is missing",
                "The launcher's Java class has no main method."),
        message("no_temp_directory", cfg::kMsgNoTempDirectory, "no usable temporary directory",
                "No usable temporary directory was found."),
        message("no_jre_found", cfg::kMsgNoJreFound, "no Java runtime found ({0}: \"64\")",
                "No suitable {0}-bit Java runtime was found."),
        message("jre_load_failed_path_or_env", cfg::kMsgJreLoadFailedPathOrEnv, "runtime from PATH or a variable failed to load",
                "The Java runtime found on the PATH or through an environment variable could not be loaded."),
        message("jre_load_failed", cfg::kMsgJreLoadFailed, "a found runtime failed to load",
                "The Java runtime that was found could not be loaded."),

        text("download_message", cfg::kWDownloadMessage, "progress message while downloading",
             "Downloading a Java runtime..."),
        text("download_library_missing", cfg::kWDownloadLibraryMissing, "download library not available",
             "The library needed for the download could not be loaded."),
        text("download_failed", cfg::kWDownloadFailed, "the runtime download failed",
             "The Java runtime could not be downloaded."),
        text("chooser_title", cfg::kWChooserTitle, "title of the java.exe file chooser", "Choose java.exe"),
        // The launcher appends " (<min_version_label> 11, <max_version_label> 21)" when versions are set.
        text("question_with_download", cfg::kWQuestionWithDownload, "no runtime, download offered (%S)",
             "This program needs a %S-bit Java runtime, which was not found on this computer. "
             "You can download one or choose a java.exe yourself.",
             FormatRule::OneNarrowString),
        text("question_without_download", cfg::kWQuestionWithoutDownload, "no runtime, no download (%S)",
             "This program needs a %S-bit Java runtime, which was not found on this computer. "
             "You can choose a java.exe yourself.",
             FormatRule::OneNarrowString),
        text("progress_message", cfg::kWProgressMessage, "message of the progress dialog", "Starting the program..."),
        // MiB received, MiB total, percent, kB/s.
        text("download_status", cfg::kWDownloadStatus, "download status (four numbers)",
             "%.1f of %.1f MB (%.0f%%), %.0f KB/s", FormatRule::FourDoubles),
        text("download_connecting", cfg::kWDownloadConnecting, "download status while connecting", "Connecting..."),
        text("download_button", cfg::kWDownloadButton, "label of the download button", "Download"),
        text("browse_button", cfg::kWBrowseButton, "label of the browse button", "Browse..."),
        text("cancel_button", cfg::kWCancelButton, "label of the cancel button", "Cancel"),
        text("no_window_timeout", cfg::kWNoWindowTimeout, "the program showed no window in time",
             "The program did not open its window in time."),
        text("unfinished_install_question", cfg::kWUnfinishedInstallQuestion, "an earlier installation did not finish",
             "An earlier installation did not finish. Do you want to choose a Java runtime yourself?"),
        text("extract_read_failed", cfg::kWExtractReadFailed, "reading an included file failed",
             "A file packed into this program could not be read."),
        text("extract_write_failed", cfg::kWExtractWriteFailed, "writing an included file failed",
             "A file could not be written to the temporary directory."),
        text("min_version_label", cfg::kWMinVersionLabel, "label before the minimum version", "minimum version"),
        text("max_version_label", cfg::kWMaxVersionLabel, "label before the maximum version", "maximum version"),
    };
    for (KeySpec& spec : t) {
        if (spec.id == cfg::kPreferredVmKind)
            spec.maxLength = 199;  // read into a 200-character buffer with its terminator
    }
    return t;
}

}  // namespace

const std::vector<KeySpec>& keyTable()
{
    static const std::vector<KeySpec> table = buildTable();
    return table;
}

const KeySpec* findKey(const std::string& table, const std::string& name)
{
    for (const KeySpec& spec : keyTable()) {
        if (table == spec.table && name == spec.name)
            return &spec;
    }
    return nullptr;
}

const KeySpec* findKeyForEntry(EntrySpace space, int id)
{
    for (const KeySpec& spec : keyTable()) {
        if (spec.space == space && spec.id == id)
            return &spec;
    }
    return nullptr;
}

std::string keyPath(const KeySpec& spec)
{
    std::string table = spec.table;
    return table.empty() ? spec.name : table + "." + spec.name;
}

}  // namespace kvellpack
