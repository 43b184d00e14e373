// Program runs for the offline renderer's tests (see capture_test_run.h).
#include "capture_test_run.h"

#include <cstdio>
#include <sys/wait.h>

ProgramRun RunCommand(const std::string& command)
{
    ProgramRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, n);
    int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

ProgramRun RunCapture(const std::string& cwd, const std::string& arguments, const std::string& environment)
{
    return RunCommand("cd '" + cwd + "' && " + environment + " '" HALVANE_CAPTURE_PROGRAM "' " + arguments + " 2>&1");
}
