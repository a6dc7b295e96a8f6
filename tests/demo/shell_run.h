// The built program run through the shell, as a user would type it.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace demo_test {

struct ShellRun {
    int code = -1;       // the exit code; -1 when the command did not exit
    std::string output;  // what it wrote to standard output
};

// The built program's command line with arguments.
inline std::string ProgramCommand(const std::string& arguments) {
    return std::string(TESSALY_BIN_DIR) + "/tessaly " + arguments;
}

// Runs command through the shell and waits for it.
inline ShellRun RunShell(const std::string& command) {
    ShellRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
    const int status = pclose(pipe);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace demo_test
