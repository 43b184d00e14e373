// Runs of programs for the offline renderer's tests: a shell command's exit
// code and everything it printed, and halvane-capture run in a folder.
#pragma once

#include <string>

// A program run's exit code (-1 when it did not exit) and its output.
struct ProgramRun {
    int exitCode = -1;
    std::string output;
};

// Runs a shell command and collects its exit code and standard output.
ProgramRun RunCommand(const std::string& command);

// Runs halvane-capture with arguments (already shell-quoted) in folder cwd,
// its standard error collected with its output, with environment settings
// (NAME=value ..., shell-quoted) before it.
ProgramRun RunCapture(const std::string& cwd, const std::string& arguments, const std::string& environment = "");
