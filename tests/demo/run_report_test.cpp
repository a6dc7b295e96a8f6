// The run report: its summary line and screenshot names, and the built program
// with and without --progress on the generated demo data set, across the
// change from the intro to the landscape.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/run_report.h"
#include "shell_run.h"
#include "tools/content/demo_set.h"

namespace {

namespace fs = std::filesystem;

std::string TempDir(const char* name) {
    const fs::path dir =
        fs::temp_directory_path() / ("tessaly_run_report_" + std::string(name) + "_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

using ProgramRun = demo_test::ShellRun;

ProgramRun RunProgram(const std::string& arguments) {
    return demo_test::RunShell(demo_test::ProgramCommand(arguments) + " 2>/dev/null");
}

bool HasLine(const std::string& output, const std::string& line) {
    return ("\n" + output).find("\n" + line + "\n") != std::string::npos;
}

// Width and height from a TGA header, 0 x 0 when the file is missing or short.
std::pair<int, int> TgaSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char header[18] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return {0, 0};
    return {header[12] | header[13] << 8, header[14] | header[15] << 8};
}

// Pixels of a 24-bit TGA that are not black (0 when it cannot be read).
long LitPixels(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    long lit = 0;
    for (size_t i = 18; i + 2 < bytes.size(); i += 3) {
        const auto b = static_cast<unsigned char>(bytes[i]), g = static_cast<unsigned char>(bytes[i + 1]),
                   r = static_cast<unsigned char>(bytes[i + 2]);
        if (r + g + b > 6) ++lit;
    }
    return lit;
}

TEST(RunReport, SummaryLine) {
    char line[160];
    FormatRunSummary(2631, 184.5, line, sizeof line);
    EXPECT_STREQ(line, "summary: 2631 frames in 184.5 s, 14.3 fps average");
    FormatRunSummary(3, 0.0, line, sizeof line);
    EXPECT_STREQ(line, "summary: 3 frames in 0.0 s, 0.0 fps average");
    FormatRunSummary(1, 0.0, line, sizeof line);
    EXPECT_STREQ(line, "summary: 1 frame in 0.0 s, 0.0 fps average");
    FormatRunSummary(2631, 184.5, line, 12);  // cut, never overrun
    EXPECT_STREQ(line, "summary: 26");
}

TEST(RunReport, ShotNamesSkipTakenNumbersWhateverTheirCase) {
    const std::string dir = TempDir("names") + "/";
    char name[1024];
    ASSERT_TRUE(NextShotName(dir.c_str(), "end_", name, sizeof name));
    EXPECT_EQ(std::string(name), dir + "end_000.tga");
    std::ofstream(dir + "end_000.tga") << "x";
    std::ofstream(dir + "END_001.TGA") << "x";
    ASSERT_TRUE(NextShotName(dir.c_str(), "end_", name, sizeof name));
    EXPECT_EQ(std::string(name), dir + "end_002.tga");
    EXPECT_FALSE(NextShotName(dir.c_str(), std::string(1100, 'p').c_str(), name, sizeof name));
    fs::remove_all(dir);
}

TEST(RunReport, ProgramReportsOnlyWhenAsked) {
    const std::string dir = TempDir("program");
    ASSERT_TRUE(demo::WriteDemoSet(dir).ok);
    const std::string shots = dir + "/shots/";

    // Without the option: the program's own lines only, no screenshots.
    const ProgramRun quiet = RunProgram("--data " + dir + " --headless --fixed-fps 10 --frames 20");
    EXPECT_EQ(quiet.code, 0);
    EXPECT_EQ(quiet.output.find("progress:"), std::string::npos);
    EXPECT_EQ(quiet.output.find("screenshot:"), std::string::npos);
    EXPECT_EQ(quiet.output.find("summary:"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(shots));

    // The intro lasts 399 frames at 60 a second: about 67 presented frames at 10
    // a second, after start-up's three; each scene's shot is 10 frames into it.
    const ProgramRun run = RunProgram("--data " + dir + " --headless --fixed-fps 10 --frames 90 --progress");
    EXPECT_EQ(run.code, 0);
    EXPECT_TRUE(HasLine(run.output, "screenshot: " + shots + "scene0_intromask_000.tga")) << run.output;
    EXPECT_TRUE(HasLine(run.output, "Scene slot 1")) << run.output;
    EXPECT_TRUE(HasLine(run.output, "screenshot: " + shots + "scene1_main_000.tga")) << run.output;
    EXPECT_TRUE(HasLine(run.output, "screenshot: " + shots + "end_000.tga")) << run.output;
    EXPECT_LT(run.output.find("scene0_intromask_000"), run.output.find("Scene slot 1"));
    // Every presented frame counts, start-up's too.
    EXPECT_NE(run.output.find("summary: 90 frames in "), std::string::npos) << run.output;
    for (const char* shot : {"scene0_intromask_000.tga", "scene1_main_000.tga", "end_000.tga"})
        EXPECT_EQ(TgaSize(shots + shot), std::make_pair(640, 480)) << shot;
    // One second in, the intro has begun to fade in: its shot is not black.
    EXPECT_GT(LitPixels(shots + "scene0_intromask_000.tga"), 10000) << run.output;

    // A run of one frame counts it.
    const ProgramRun one = RunProgram("--data " + dir + " --headless --fixed-fps 10 --frames 1 --progress");
    EXPECT_EQ(one.code, 0);
    EXPECT_NE(one.output.find("summary: 1 frame in "), std::string::npos) << one.output;
    fs::remove_all(dir);
}

}  // namespace
