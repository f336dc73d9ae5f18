// kvellpack: builds kvell launchers from a project file and a launcher stub, and
// shows what a built launcher carries.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include <CLI/CLI.hpp>

#include "included_runtime.h"
#include "key_listing.h"
#include "launcher_contents.h"
#include "main_class.h"
#include "payload_writer.h"
#include "program_dir.h"
#include "project_defaults.h"
#include "project_file.h"
#include "project_init.h"
#include "report.h"
#include "resource_report.h"
#include "runtime_jar.h"
#include "stub_choice.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

int reportError(const std::string& message)
{
    std::fprintf(stderr, "kvellpack: error: %s\n", message.c_str());
    return kExitError;
}

// The jre.tar.gz written from runtime_dir lives beside the output until the
// launcher holds it.
struct ScratchFile {
    std::string path;
    ~ScratchFile()
    {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
};

int runPack(const std::string& projectPath, const std::string& stubPath, const std::string& outPath,
            const kvellpack::RuntimeJarSources& runtimeJar)
{
    kvellpack::Project project;
    std::string error;
    if (!kvellpack::loadProject(projectPath, &project, &error))
        return reportError(error);
    ScratchFile runtimeArchive{outPath + ".jre.kvellpack-part"};
    std::string runtimeNote;
    if (!kvellpack::addIncludedRuntime(&project, runtimeArchive.path, &runtimeNote, &error))
        return reportError(error);
    std::string mainClassNote;
    if (!kvellpack::resolveMainClass(&project, projectPath, &mainClassNote, &error))
        return reportError(error);
    if (!mainClassNote.empty())
        std::fprintf(stderr, "kvellpack: note: %s\n", mainClassNote.c_str());
    kvellpack::addDefaults(&project, kvellpack::programNameFromProject(projectPath));
    std::string jarAddedFrom;
    if (!kvellpack::addRuntimeJar(&project, runtimeJar, &jarAddedFrom, &error))
        return reportError(error);
    for (const std::string& warning : project.warnings)
        std::fprintf(stderr, "kvellpack: warning: %s\n", warning.c_str());
    std::string stub, stubNote;
    if (!kvellpack::chooseStub(stubPath, project, &stub, &stubNote, &error))
        return reportError(error);
    if (!stubNote.empty())
        std::printf("kvellpack: %s\n", stubNote.c_str());
    kvellpack::PackResult result;
    if (!kvellpack::packLauncher(stub, project, outPath, &result, &error))
        return reportError(error);
    if (!runtimeNote.empty())
        std::printf("kvellpack: %s\n", runtimeNote.c_str());
    if (project.resources.any())
        std::printf("kvellpack: resources: %s\n", kvellpack::packedResourcesNote(project.resources).c_str());
    else if (result.replacedResources)
        std::printf("kvellpack: the resources of the earlier packing were taken out: the launcher has the stub's own\n");
    std::string added = jarAddedFrom.empty() ? "" : " (" + std::string(kvellpack::kRuntimeJarName) + " added from " +
                                                        jarAddedFrom + ")";
    std::printf("kvellpack: wrote %s (%lld bytes): %zu string entries, %zu wide entries, %zu included files%s; "
                "Payload at offset %lld\n",
                outPath.c_str(), static_cast<long long>(result.fileSize), project.strings.size(),
                project.wides.size(), project.files.size(), added.c_str(),
                static_cast<long long>(result.payloadStart));
    if (result.droppedBytes > 0)
        std::printf("kvellpack: dropped %lld bytes that followed the stub's last section%s\n",
                    static_cast<long long>(result.droppedBytes),
                    result.droppedSignature ? " (including its signature)" : "");
    return 0;
}

int runInspect(const std::string& path, const std::string& extractDir)
{
    kvellpack::LauncherContents contents;
    std::string error;
    if (!kvellpack::readLauncher(path, &contents, &error))
        return reportError(error);
    std::fputs(kvellpack::describeLauncher(path, contents).c_str(), stdout);
    if (!extractDir.empty() && !kvellpack::extractRecords(path, contents, extractDir, &error))
        return reportError(error);
    return 0;
}

int runInit(const std::string& jarPath, const std::string& outPath)
{
    std::string projectPath = outPath.empty() ? kvellpack::starterProjectPath(jarPath) : outPath;
    std::string summary, note, error;
    if (!kvellpack::writeStarterProject(jarPath, projectPath, &summary, &note, &error))
        return reportError(error);
    std::printf("kvellpack: %s\n", summary.c_str());
    if (!note.empty())
        std::fprintf(stderr, "kvellpack: note: %s\n", note.c_str());
    return 0;
}

int runKeys()
{
    std::fputs(kvellpack::describeKeys().c_str(), stdout);
    return 0;
}

}  // namespace

#ifdef _WIN32
// Reports and errors are UTF-8; the console gets its own code page back at the
// end, since the setting outlives the process.
struct Utf8Console {
    UINT previous = GetConsoleOutputCP();
    Utf8Console() { SetConsoleOutputCP(CP_UTF8); }
    ~Utf8Console() { SetConsoleOutputCP(previous); }
};
#endif

int main(int argc, char** argv)
{
#ifdef _WIN32
    Utf8Console console;
#endif
    CLI::App app{"kvellpack builds kvell launchers: it appends a Payload (configuration entries and\n"
                 "included files) from a TOML project file to a copy of the launcher stub."};
    app.name("kvellpack");
    app.require_subcommand(1);
    app.footer("Examples:\n"
               "  kvellpack init hello.jar\n"
               "  kvellpack pack hello.toml --stub kvell.exe -o hello.exe\n"
               "  kvellpack inspect hello.exe\n"
               "  kvellpack keys\n"
               "Exit codes: 0 success, 1 bad input or a damaged launcher, 2 bad command line.\n"
               "The project file format is described in docs/configuration.md.");

    std::string projectPath, stubPath, outPath, runtimeJarPath, launcherPath, extractDir, jarPath, initOutPath;
    CLI::App* pack = app.add_subcommand("pack", "Build a launcher from a project file and a stub");
    pack->add_option("project", projectPath, "Project file (TOML); paths in it are relative to its directory")
        ->required();
    pack->add_option("-s,--stub", stubPath, "Launcher stub (kvell.exe, or a launcher whose Payload is replaced)")
        ->required();
    pack->add_option("-o,--output", outPath, "Launcher to write (may be the stub itself)")->required();
    pack->add_option("--runtime-jar", runtimeJarPath,
                     "kvell-runtime.jar to include (default: $KVELL_RUNTIME_JAR, else beside kvellpack, "
                     "else ../java/ from kvellpack's directory)");

    CLI::App* inspect = app.add_subcommand("inspect", "Show the entries and included files of a launcher");
    inspect->add_option("launcher", launcherPath, "Launcher to read")->required();
    inspect->add_option("-x,--extract", extractDir, "Also write the descrambled included files into this directory");

    CLI::App* keys =
        app.add_subcommand("keys", "List the project file's keys, their entry numbers, types and defaults");

    CLI::App* init = app.add_subcommand("init", "Write a commented starter project file for a jar");
    init->add_option("jar", jarPath, "The program's jar; its manifest names the main class")->required();
    init->add_option("-o,--output", initOutPath, "Project file to write (default: beside the jar, named after it); "
                                                 "never overwritten");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "kvellpack: error: %s (see kvellpack --help)\n", e.what());
        return kExitUsage;
    }
    // Errors come back as results; this only catches what the standard library
    // throws (an unconvertible path, memory), so that it too ends as one line.
    try {
        if (pack->parsed()) {
            const char* variable = std::getenv(kvellpack::kRuntimeJarVariable);
            kvellpack::RuntimeJarSources sources{runtimeJarPath, variable != nullptr ? variable : "",
                                                 kvellpack::programDirectory(argc > 0 ? argv[0] : nullptr)};
            return runPack(projectPath, stubPath, outPath, sources);
        }
        if (inspect->parsed())
            return runInspect(launcherPath, extractDir);
        if (keys->parsed())
            return runKeys();
        if (init->parsed())
            return runInit(jarPath, initOutPath);
    } catch (const std::exception& e) {
        return reportError(e.what());
    }
    return kExitUsage;
}
