// Shared ground of the JVM location tests. Each test gets a scratch directory
// inside the launcher's (the test program's) directory, so that relative entries
// resolve into it; its own log, configuration and in-memory registry; and
// stand-in runtimes: shell scripts at home\jre\bin\java.exe that print a version
// line. The host keeps Windows' backslashes literally, so such a path is one
// file name inside the scratch directory. Tests run in the launcher's directory,
// so that values taken as they are (registry, environment) name the same files.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fs/text_buffer.h"
#include "payload/launch_state.h"

struct StandIn {
    std::string versionLine = "java version \"1.6.0_20\"";
    int exitCode = 0;
    int sleepSeconds = 0;
    std::string before;  // a line printed before the version line
};
StandIn printing(const std::string& line);
StandIn javaVersion(const std::string& version);  // java version "<version>"

class JvmTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A scratch name relative to the launcher's directory, and as the launcher
    // resolves it (full, lower-cased).
    std::string rel(const std::string& name) const { return relDir + "/" + name; }
    std::string abs(const std::string& name) const { return absDir + "/" + name; }

    void writeFile(const std::string& name, const std::string& text, bool executable = false) const;
    void makeExecutable(const std::string& name, const StandIn& standIn = StandIn()) const;
    // home\jre\bin\java.exe, or home\bin\java.exe; returns the name.
    std::string makeRuntime(const std::string& home, const StandIn& standIn = StandIn(), bool underJre = true) const;
    // name\jre\bin\java.exe in the launcher's directory itself, where values that
    // are not resolved against it (environment variables) land on the host.
    void makeRuntimeBesideLauncher(const std::string& name, const StandIn& standIn = StandIn());
    int runCount() const;  // stand-in runs so far
    int leftoverTempFiles() const;

    void setConfig(int id, const std::string& value) const;
    std::string log() const;
    // Each text found in the log after the previous one.
    bool logHasInOrder(const std::vector<std::string>& texts) const;
    int logCount(const std::string& text) const;

    LaunchState state;
    std::string launcherDir;
    std::string relDir;
    std::string absDir;
    std::vector<std::string> besideLauncher;
    std::string previousDir;
};

// Makes dir the current directory for its lifetime.
struct CurrentDirectory {
    explicit CurrentDirectory(const std::string& dir);
    ~CurrentDirectory();
    std::string previous;
};
