// Runs the built program (build/bin/tessaly) as a child process for the
// end-to-end tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>
#include <unistd.h>

#include <filesystem>

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

// A suite of tests that run the program: a folder of the suite's own under
// the test temporary folder (named for the suite and the process, as test
// programs run side by side), made empty and filled by Suite::WriteFiles()
// before the suite and removed after it.
template <class Suite>
class ProgramSuite : public testing::Test {
public:
    static void SetUpTestSuite() {
        const std::string suite = testing::UnitTest::GetInstance()->current_test_suite()->name();
        root_ = testing::TempDir() + "tessaly_" + suite + "_" + std::to_string(getpid()) + "/";
        std::filesystem::remove_all(root_);
        Suite::WriteFiles();
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(root_); }

protected:
    // Runs program with args and waits for it: the exit code, with what it
    // printed in output_.
    int RunProgram(const std::string& program, const std::vector<std::string>& args, long long fileSizeLimit = 0) {
        const std::string outputPath = root_ + "output.txt";
        const int code = Wait(StartProgram(program, args, outputPath, fileSizeLimit));
        output_ = ReadAll(outputPath);
        return code;
    }

    static inline std::string root_;
    std::string output_;
};

}  // namespace runner
