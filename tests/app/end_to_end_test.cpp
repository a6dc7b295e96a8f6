// The built program on a small data set written by the test: the whole demo,
// walk mode, quitting, deterministic captures, a missing lake picture and
// termination by signal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "demo_data.h"

namespace {

namespace fs = std::filesystem;

const std::string kProgram = std::string(TESSALY_BIN_DIR) + "/tessaly";

// Starts the program with args, its standard output and error in outputPath.
pid_t Start(const std::vector<std::string>& args, const std::string& outputPath) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(kProgram.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(kProgram.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class EndToEnd : public testing::Test {
protected:
    static void SetUpTestSuite() {
        root_ = testing::TempDir() + "tessaly_end_to_end/";
        fs::remove_all(root_);
        demo::WriteDataSet(root_ + "data");
        demo::WriteDataSet(root_ + "nolake", false);
    }
    static void TearDownTestSuite() { fs::remove_all(root_); }

    // Runs headless on the fixed clock; returns the exit code, output in output_.
    int Run(const std::string& data, int fps, std::vector<std::string> extra = {}, const std::string& script = "") {
        std::vector<std::string> args = {"--data", root_ + data, "--headless", "--fixed-fps", std::to_string(fps)};
        if (!script.empty()) {
            const std::string path = root_ + "script.txt";
            demo::WriteText(path, script);
            args.insert(args.end(), {"--script", path});
        }
        args.insert(args.end(), extra.begin(), extra.end());
        const std::string outputPath = root_ + "output.txt";
        const int code = Wait(Start(args, outputPath));
        output_ = ReadAll(outputPath);
        return code;
    }

    static std::string Frame(const std::string& dir, int n) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame%05d.tga", n);
        return root_ + dir + name;
    }
    static size_t Frames(const std::string& dir) {
        const fs::path path = root_ + dir;
        if (!fs::exists(path)) return 0;
        return static_cast<size_t>(std::distance(fs::directory_iterator(path), fs::directory_iterator()));
    }

    static std::string root_;
    std::string output_;
};
std::string EndToEnd::root_;

TEST_F(EndToEnd, DemoPlaysAllFourScenesAndTheCreditsThenExits) {
    // One frame a second keeps the fixed-length script short.
    ASSERT_EQ(Run("data", 1, {"--capture", root_ + "demo"}), 0) << output_;
    EXPECT_NE(output_.find("Scene slot 1\nScene slot 2\nScene slot 3\n"), std::string::npos) << output_;
    // The end: a black frame, the credits picture (scaled over the frame), a
    // black frame, and the last end-title frame, faded out.
    const int count = static_cast<int>(Frames("demo"));
    ASSERT_GT(count, 200);
    const demo::Picture credits = demo::ReadTga(Frame("demo", count - 3));
    ASSERT_EQ(credits.width, 640);
    // Top-left square of the checker: yellow (0xffd040 through a 16-bit frame).
    EXPECT_NEAR(credits.rgb[0], 0xff, 8);
    EXPECT_NEAR(credits.rgb[1], 0xd0, 8);
    EXPECT_NEAR(credits.rgb[2], 0x40, 8);
    for (int n : {count - 4, count - 2}) {
        const demo::Picture black = demo::ReadTga(Frame("demo", n));
        EXPECT_EQ(std::count(black.rgb.begin(), black.rgb.end(), 0), static_cast<long>(black.rgb.size())) << n;
    }
    fs::remove_all(root_ + "demo");
}

TEST_F(EndToEnd, WalkModeMovesWithTheArrowKeys) {
    const std::string script =
        "8 key F4 down\n9 key F4 up\n"
        "20 key DOWN down\n30 key DOWN up\n";
    ASSERT_EQ(Run("data", 24, {"--frames", "36", "--capture", root_ + "walk"}, script), 0) << output_;
    // Standing still the walk frame does not change; backing away it does.
    EXPECT_EQ(ReadAll(Frame("walk", 14)), ReadAll(Frame("walk", 18)));
    EXPECT_NE(ReadAll(Frame("walk", 22)), ReadAll(Frame("walk", 28)));
    EXPECT_EQ(ReadAll(Frame("walk", 32)), ReadAll(Frame("walk", 34)));
    fs::remove_all(root_ + "walk");
}

TEST_F(EndToEnd, F10AndEscapeQuit) {
    EXPECT_EQ(Run("data", 24, {"--capture", root_ + "f10"}, "20 key F10 down\n"), 0) << output_;
    EXPECT_LT(Frames("f10"), 25u);
    EXPECT_EQ(Run("data", 24, {"--capture", root_ + "esc"}, "20 key ESCAPE down\n"), 0) << output_;
    EXPECT_LT(Frames("esc"), 25u);
    fs::remove_all(root_ + "f10");
    fs::remove_all(root_ + "esc");
}

TEST_F(EndToEnd, TwoCapturedRunsAreIdentical) {
    // Six frames a second: the intro, then the main scene with fire and water.
    ASSERT_EQ(Run("data", 6, {"--frames", "60", "--capture", root_ + "a"}), 0) << output_;
    ASSERT_EQ(Run("data", 6, {"--frames", "60", "--capture", root_ + "b"}), 0) << output_;
    EXPECT_NE(output_.find("Scene slot 1"), std::string::npos);
    ASSERT_EQ(Frames("a"), 60u);
    ASSERT_EQ(Frames("b"), 60u);
    for (int n = 0; n < 60; ++n) EXPECT_EQ(ReadAll(Frame("a", n)), ReadAll(Frame("b", n))) << n;
    fs::remove_all(root_ + "a");
    fs::remove_all(root_ + "b");
}

TEST_F(EndToEnd, MissingLakePictureLeavesTheWaterOff) {
    EXPECT_EQ(Run("nolake", 6, {"--frames", "60"}), 0) << output_;
    EXPECT_NE(output_.find("Scene slot 1"), std::string::npos);
}

TEST_F(EndToEnd, TerminationSignalEndsThroughTheShutdown) {
    const pid_t pid = Start({"--data", root_ + "data", "--headless", "--fixed-fps", "24"}, root_ + "signal.txt");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    kill(pid, SIGTERM);
    EXPECT_EQ(Wait(pid), 0) << ReadAll(root_ + "signal.txt");
}

TEST_F(EndToEnd, OptionsAndDataDirectoryErrors) {
    EXPECT_EQ(Run("data", 24, {"--frames", "zero"}), 2);
    EXPECT_NE(output_.find("--frames"), std::string::npos);
    EXPECT_EQ(Run("missing", 24), 1);
    EXPECT_EQ(Wait(Start({"--version"}, root_ + "version.txt")), 0);
    EXPECT_EQ(ReadAll(root_ + "version.txt").rfind("tessaly ", 0), 0u);
}

}  // namespace
