// Shared ground of the JVM location tests. Each test gets a scratch directory
// inside the launcher's (the test program's) directory, so that relative entries
// resolve into it; its own log, configuration and in-memory registry; and
// stand-in runtimes: shell scripts at home\jre\bin\java.exe that print a chosen
// version line. The host keeps Windows' backslashes literally, so such a path is
// one file name inside the scratch directory.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fs/text_buffer.h"

struct StandIn {
    std::string versionLine = "java version \"1.6.0_20\"";
    int exitCode = 0;
    int sleepSeconds = 0;
    std::string before;  // lines printed before the version line
};

// A stand-in that prints this first line.
StandIn printing(const std::string& line);
// A stand-in of this version: java version "<version>".
StandIn javaVersion(const std::string& version);

class JvmTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The scratch directory relative to the launcher's ("jvt_<pid>_<n>") and absolute.
    std::string rel(const std::string& name) const { return relDir + "/" + name; }
    std::string abs(const std::string& name) const { return absDir + "/" + name; }
    // What the launcher makes of rel(name): the full lower-cased path.
    std::string full(const std::string& name) const { return abs(name); }

    // A file (and its directory part, when it has one with "/") in the scratch directory.
    void writeFile(const std::string& name, const std::string& text, bool executable = false) const;
    // name\jre\bin\java.exe, or name\bin\java.exe when underJre is false.
    std::string makeRuntime(const std::string& home, const StandIn& standIn = StandIn(), bool underJre = true) const;
    // A stand-in executable at the exact name given.
    void makeExecutable(const std::string& name, const StandIn& standIn) const;
    // A stand-in at name\jre\bin\java.exe directly in the launcher's directory, where
    // values that are not resolved against it (environment variables) land on the
    // host; removed after the test.
    void makeRuntimeBesideLauncher(const std::string& name, const StandIn& standIn = StandIn());
    int runCount() const;

    void setConfig(int id, const std::string& value) const;
    std::string log() const;
    // Whether the lines occur in the log in this order (each a substring of a line).
    bool logHasInOrder(const std::vector<std::string>& lines) const;
    int logCount(const std::string& text) const;
    // Temporary files the version runs left behind.
    int leftoverTempFiles() const;

    std::string launcherDir;
    std::string relDir;
    std::string absDir;
    std::vector<std::string> besideLauncher;
};

// Makes dir the current directory for its lifetime.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& dir);
    ~CurrentDirectory();

private:
    std::string previous;
};
