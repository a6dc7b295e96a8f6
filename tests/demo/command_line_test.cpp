// The built program as a new user starts it from a folder of their own:
// relative paths on the command line, and the input script the README shows.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "shell_run.h"
#include "tools/content/demo_set.h"

namespace {

namespace fs = std::filesystem;

using RunResult = demo_test::ShellRun;  // output: standard output and error

// Runs the program in the folder dir through the shell, as a user would type it.
RunResult RunIn(const std::string& dir, const std::string& arguments) {
    return demo_test::RunShell("cd '" + dir + "' && " + demo_test::ProgramCommand(arguments) + " 2>&1");
}

// The indented example script of the README's input-script section: the lines
// of the first indented block after the section's title.
std::string ReadmeScript() {
    std::ifstream in(std::string(TESSALY_SOURCE_DIR) + "/README.md");
    std::string line, script;
    bool inSection = false;
    while (std::getline(in, line)) {
        if (line.rfind("## ", 0) == 0) inSection = line == "## Input scripts";
        if (!inSection) continue;
        if (line.rfind("    ", 0) == 0) {
            script += line.substr(4) + "\n";
        } else if (!script.empty()) {
            break;
        }
    }
    return script;
}

size_t FilesIn(const fs::path& dir) {
    if (!fs::is_directory(dir)) return 0;
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

class CommandLine : public testing::Test {
protected:
    static void SetUpTestSuite() {
        home_ = fs::temp_directory_path() / ("tessaly_command_line_" + std::to_string(getpid()));
        fs::remove_all(home_);
        fs::create_directories(home_);
        ASSERT_TRUE(demo::WriteDemoSet((home_ / "demo").string()).ok);
    }
    static void TearDownTestSuite() { fs::remove_all(home_); }

    static fs::path home_;  // the user's folder, holding the data set in demo/
};
fs::path CommandLine::home_;

TEST_F(CommandLine, RelativePathsAndTheReadmeScriptBelongToTheStartFolder) {
    const std::string script = ReadmeScript();
    ASSERT_NE(script.find("type wire"), std::string::npos) << script;
    ASSERT_NE(script.find("key F3 down"), std::string::npos) << script;
    std::ofstream(home_ / "wire.txt") << script;

    const RunResult run = RunIn(home_.string(),
                                "--data demo --headless --fixed-fps 24 --frames 100 --script wire.txt "
                                "--capture frames --audio-out music.wav");
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_EQ(run.output.find("Cannot read"), std::string::npos) << run.output;
    // Capture and sound landed beside the script, not in the data folder.
    EXPECT_EQ(FilesIn(home_ / "frames"), 100u + 5 * 24);  // the start-up wait's five seconds are captured too
    EXPECT_FALSE(fs::exists(home_ / "demo" / "frames"));
    ASSERT_TRUE(fs::exists(home_ / "music.wav"));
    EXPECT_GT(fs::file_size(home_ / "music.wav"), 44u);
    EXPECT_FALSE(fs::exists(home_ / "demo" / "music.wav"));
    // The script ran: F3 after the console closed saved the first screenshot.
    EXPECT_TRUE(fs::exists(home_ / "demo" / "shots" / "ts000.tga"));
    EXPECT_FALSE(fs::exists(home_ / "demo" / "shots" / "ts001.tga"));

    // A relative script that is not there is reported with the name as given.
    const RunResult missing =
        RunIn(home_.string(), "--data demo --headless --fixed-fps 24 --frames 5 --script none.txt");
    EXPECT_NE(missing.code, 0);
    EXPECT_NE(missing.output.find("none.txt"), std::string::npos) << missing.output;
}

}  // namespace
