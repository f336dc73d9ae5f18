#include "project_init.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "file_io.h"
#include "file_patterns.h"
#include "jar_manifest.h"
#include "fs/platform.h"

namespace fs = std::filesystem;

namespace kvellpack {

namespace {

bool fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

// A TOML string as a person would write it: double quotes, or single ones
// (no escapes) for text with backslashes or double quotes, such as a Windows
// path; escapes only when neither will do.
std::string tomlString(const std::string& text)
{
    auto control = [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; };
    bool hasControl = std::any_of(text.begin(), text.end(), control);
    if (!hasControl && text.find_first_of("\"\\") == std::string::npos)
        return "\"" + text + "\"";
    if (!hasControl && text.find('\'') == std::string::npos)
        return "'" + text + "'";
    std::string out = "\"";
    for (char c : text) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned char>(c));
        out += c == '"' || c == '\\' ? std::string{'\\', c} : control(c) ? std::string(escape) : std::string(1, c);
    }
    return out + "\"";
}

std::string mainClassLines(const StarterProject& s)
{
    if (s.mainClass.empty())
        return "# " + s.jarName + "'s manifest names no Main-Class: set the class whose main method\n"
               "# starts the program, or kvellpack pack stops with an error.\n"
               "# main_class = \"com.example.Main\"\n";
    return "# The class whose main method starts the program (the Main-Class of " + s.jarName + ").\n"
           "main_class = " + tomlString(s.mainClass) + "\n";
}

std::string includedFilesLines(const StarterProject& s)
{
    std::string out = "# Packed into the launcher and extracted before Java starts; every included\n"
                      "# jar is on the class path. A folder stands for the files in it, a pattern\n"
                      "# such as \"lib/*.jar\" for the files it matches, in the order of their paths.\n"
                      "included_files = [" + tomlString(s.jar);
    if (s.libPattern.empty())
        return out + "]\n";
    std::string libDir = s.libPattern.substr(0, s.libPattern.size() - std::string("/*.jar").size());
    return out + ", " + tomlString(s.libPattern) + "]\n"
                 "# To ship " + libDir + "/ beside the launcher instead, leave the pattern out above\n"
                 "# and name the jars there, one class path entry each:\n"
                 "# classpath = [" + tomlString("A1" + s.libPattern) + "]\n";
}

std::string programName(const std::string& jarName)
{
    return fs::path(jarName).stem().string();
}

}  // namespace

std::string starterProjectText(const StarterProject& s)
{
    std::string name = programName(s.jarName);
    return "# kvell project file for " + s.jarName + ", written by kvellpack init. Build the launcher with\n"
           "#   kvellpack pack " + s.projectFile + " --stub kvell.exe -o " + name + ".exe\n"
           "# Paths here are relative to this file. Every key: docs/configuration.md,\n"
           "# or kvellpack keys.\n"
           "\n" +
           mainClassLines(s) +
           "\n"
           "# 1: a windowed program (Swing, JavaFX, SWT): errors show in message boxes\n"
           "# and the progress dialog stays until the program's window shows. For a\n"
           "# console program, remove the line: errors then go to standard error.\n"
           "program_type = 1\n"
           "\n" +
           includedFilesLines(s) +
           "\n"
           "# The oldest Java version the program runs on, and the newest if it must.\n"
           "# min_version = \"17\"\n"
           "# max_version = \"21\"\n"
           "\n"
           "# Where the launcher looks for a Java runtime. Left out, it is this: a\n"
           "# runtime in jre beside the launcher, the runtimes installed on the machine,\n"
           "# JAVA_HOME, the registry, PATH.\n"
           "# search_sequence = [\"Rjre\", \"M\", \"EJAVA_HOME\", \"Y\", \"S\"]\n"
           "\n"
           "# Options for the Java VM, and arguments put before the user's own.\n"
           "# vm_options = [\"-Xmx512m\"]\n"
           "# program_arguments = []\n"
           "\n"
           "# The caption of the launcher's dialogs and messages; left out, the\n"
           "# project file's name.\n"
           "# app_title = " + tomlString(name) + "\n";
}

std::string starterProjectPath(const std::string& jarPath)
{
    fs::path jar(jarPath);
    return (jar.parent_path() / (jar.stem().string() + ".toml")).string();
}

bool writeStarterProject(const std::string& jarPath, const std::string& projectPath, std::string* summary,
                         std::string* note, std::string* error)
{
    std::error_code ec;
    if (!fs::is_regular_file(jarPath, ec))
        return fail(error, "jar '" + jarPath + "' not found");
    if (fs::exists(projectPath, ec))
        return fail(error, "'" + projectPath + "' already exists; kvellpack init does not overwrite a project file");
    StarterProject s;
    s.projectFile = projectPath;
    std::string why;
    if (!jarMainClass(jarPath, &s.mainClass, &why))
        return fail(error, "'" + jarPath + "' " + why);
    // Paths as the project file will see them: from its own directory.
    fs::path projectDir = fs::absolute(projectPath, ec).lexically_normal().parent_path();
    fs::path jarAbsolute = fs::absolute(jarPath, ec).lexically_normal();
    fs::path relative = jarAbsolute.lexically_relative(projectDir);
    fs::path jarDir = relative.empty() ? jarAbsolute.parent_path() : relative.parent_path();
    s.jar = (relative.empty() ? jarAbsolute : relative).generic_string();
    s.jarName = jarAbsolute.filename().string();
    std::string libPattern = (jarDir / "lib" / "*.jar").generic_string();
    std::vector<PatternMatch> libJars;
    if (expandPattern(projectDir.string(), libPattern, &libJars, &why) && !libJars.empty())
        s.libPattern = libPattern;

    std::string text = starterProjectText(s);
    FileHandle out = createFileWrite(projectPath.c_str());
    if (!isOpen(out) || !writeAll(out, text.data(), text.size()))
        return fail(error, "cannot write '" + projectPath + "'");
    *summary = "wrote " + projectPath + " for " + s.jarName + " (" +
               (s.mainClass.empty() ? std::string("no main class") : "main class " + s.mainClass) +
               (s.libPattern.empty() ? "" : "; " + s.libPattern + ": " + std::to_string(libJars.size()) +
                                              (libJars.size() == 1 ? " jar" : " jars")) +
               ")";
    note->clear();
    if (s.mainClass.empty())
        *note = s.jarName + "'s manifest names no Main-Class; set main_class in " + projectPath + " before packing";
    return true;
}

}  // namespace kvellpack
