// Runs the built program (build/bin/tessaly) as a child process for the
// end-to-end tests.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace runner {

// The built program's path.
const std::string& ProgramPath();
// Starts the program with args, its standard output and error in outputPath.
// The program never outlives a test that dies or is stopped. A fileSizeLimit
// above 0 caps every file the program writes at that many bytes (a full disk
// as the program sees it: writes past it fail with EFBIG, SIGXFSZ ignored).
pid_t Start(const std::vector<std::string>& args, const std::string& outputPath, long long fileSizeLimit = 0);
// The same for another copy of the program.
pid_t StartProgram(const std::string& program, const std::vector<std::string>& args, const std::string& outputPath,
                   long long fileSizeLimit = 0);
// Waits for the program: its exit code, 128 + the signal when a signal ended
// it, -1 when it cannot be waited for.
int Wait(pid_t pid);
// A whole file's bytes (empty when it cannot be read).
std::string ReadAll(const std::string& path);

}  // namespace runner
