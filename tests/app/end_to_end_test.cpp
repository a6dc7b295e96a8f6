// The built program on a small data set written by the test: the whole demo,
// walk mode, quitting, deterministic captures, a missing lake picture,
// termination by signal, and a console session read back from its frames.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "demo_data.h"
#include "program_runner.h"
#include "raster/raster_device.h"

namespace {

namespace fs = std::filesystem;

using runner::ReadAll;
using runner::Start;
using runner::Wait;

// The text of a captured console frame, read back through the built-in font:
// the display lines at y = 0, 15, ... and the input line at y = 460, each cut
// at the frame's width and without trailing blanks. Text pixels are the
// console's colour (red and green full); rows 0 and 15 of a cell are skipped
// because neighbouring lines overlap there.
struct ConsoleScreen {
    std::vector<std::string> lines;
    std::string input;
};

std::string ReadTextLine(const demo::Picture& frame, int top) {
    auto ink = [&](int x, int y) {
        const uint8_t* p = &frame.rgb[(static_cast<size_t>(y) * frame.width + x) * 3];
        return p[0] > 0xc0 && p[1] > 0xc0 && p[2] < 0x40;
    };
    std::string text;
    for (int left = 0; left + raster::kGlyphWidth <= frame.width; left += raster::kGlyphWidth) {
        uint8_t cell[raster::kGlyphHeight] = {};
        for (int r = 1; r < raster::kGlyphHeight - 1 && top + r < frame.height; ++r)
            for (int c = 0; c < raster::kGlyphWidth; ++c)
                if (ink(left + c, top + r)) cell[r] |= static_cast<uint8_t>(0x80 >> c);
        char found = '?';
        for (int code = 32; code < 127 && found == '?'; ++code) {
            const uint8_t* rows = raster::GlyphRows(static_cast<unsigned char>(code));
            if (std::equal(cell + 1, cell + raster::kGlyphHeight - 1, rows + 1)) found = static_cast<char>(code);
        }
        text += found;
    }
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

ConsoleScreen ReadConsole(const demo::Picture& frame) {
    ConsoleScreen screen;
    if (frame.width != 640 || frame.height != 480) return screen;
    for (int i = 0; i < 30; ++i) screen.lines.push_back(ReadTextLine(frame, i * 15));
    while (!screen.lines.empty() && screen.lines.back().empty()) screen.lines.pop_back();
    screen.input = ReadTextLine(frame, 460);
    return screen;
}

class EndToEnd : public runner::ProgramSuite<EndToEnd> {
public:
    static void WriteFiles() {
        demo::WriteDataSet(root_ + "data");
        demo::WriteDataSet(root_ + "nolake", false);
    }

protected:
    // Runs headless on the fixed clock; returns the exit code, output in output_.
    int Run(const std::string& data, int fps, std::vector<std::string> extra = {}, const std::string& script = "") {
        std::vector<std::string> args = {"--data", root_ + data, "--headless", "--fixed-fps", std::to_string(fps)};
        if (!script.empty()) {
            const std::string path = root_ + "script.txt";
            demo::WriteText(path, script);
            args.insert(args.end(), {"--script", path});
        }
        args.insert(args.end(), extra.begin(), extra.end());
        return RunProgram(runner::ProgramPath(), args, fileSizeLimit_);
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

    long long fileSizeLimit_ = 0;  // > 0: every file the program writes is capped there
};

TEST_F(EndToEnd, DemoPlaysAllFourScenesAndTheCreditsThenExits) {
    // One frame a second keeps the fixed-length script short.
    ASSERT_EQ(Run("data", 1, {"--capture", root_ + "demo"}), 0) << output_;
    EXPECT_NE(output_.find("Scene slot 1\nScene slot 2\nScene slot 3\n"), std::string::npos) << output_;
    // The end: a black frame, the credits picture (scaled over the frame)
    // through the five-second wait (six frames at one a second), a black
    // frame through the three-second wait (four frames), and the last
    // end-title frame, faded out.
    const int count = static_cast<int>(Frames("demo"));
    ASSERT_GT(count, 200);
    const demo::Picture credits = demo::ReadTga(Frame("demo", count - 6));
    for (int n = count - 11; n < count - 6; ++n)
        EXPECT_EQ(ReadAll(Frame("demo", n)), ReadAll(Frame("demo", count - 6))) << n;
    ASSERT_EQ(credits.width, 640);
    // Top-left square of the checker: yellow (0xffd040 through a 16-bit frame).
    EXPECT_NEAR(credits.rgb[0], 0xff, 8);
    EXPECT_NEAR(credits.rgb[1], 0xd0, 8);
    EXPECT_NEAR(credits.rgb[2], 0x40, 8);
    for (int n : {count - 12, count - 5, count - 2}) {
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
    // Captured frames follow the clock: the start-up wait after the third
    // frame takes five seconds of them.
    constexpr int kWait = 5 * 24;
    EXPECT_EQ(ReadAll(Frame("walk", kWait + 14)), ReadAll(Frame("walk", kWait + 18)));
    EXPECT_NE(ReadAll(Frame("walk", kWait + 22)), ReadAll(Frame("walk", kWait + 28)));
    EXPECT_EQ(ReadAll(Frame("walk", kWait + 32)), ReadAll(Frame("walk", kWait + 34)));
    fs::remove_all(root_ + "walk");
}

TEST_F(EndToEnd, F10AndEscapeQuit) {
    EXPECT_EQ(Run("data", 24, {"--capture", root_ + "f10"}, "20 key F10 down\n"), 0) << output_;
    // 25 frames and the five-second start-up wait.
    EXPECT_LT(Frames("f10"), 25u + 5 * 24);
    EXPECT_EQ(Run("data", 24, {"--capture", root_ + "esc"}, "20 key ESCAPE down\n"), 0) << output_;
    EXPECT_LT(Frames("esc"), 25u + 5 * 24);
    fs::remove_all(root_ + "f10");
    fs::remove_all(root_ + "esc");
}

TEST_F(EndToEnd, TwoCapturedRunsAreIdentical) {
    // Six frames a second: the intro, then the main scene with fire and water;
    // one drawing thread, then three: the captured frames are the same.
    ASSERT_EQ(Run("data", 6, {"--frames", "60", "--threads", "1", "--capture", root_ + "a"}), 0) << output_;
    ASSERT_EQ(Run("data", 6, {"--frames", "60", "--threads", "3", "--capture", root_ + "b"}), 0) << output_;
    EXPECT_NE(output_.find("Scene slot 1"), std::string::npos);
    // Frames follow the clock: the five-second start-up wait repeats its frame 30 times.
    ASSERT_EQ(Frames("a"), 90u);
    ASSERT_EQ(Frames("b"), 90u);
    for (int n = 0; n < 90; ++n) EXPECT_EQ(ReadAll(Frame("a", n)), ReadAll(Frame("b", n))) << n;
    fs::remove_all(root_ + "a");
    fs::remove_all(root_ + "b");
}

// --mode picks the frame size and depth; the demo plays in it to the credits,
// which are drawn 4:3 in the middle of a wider frame.
TEST_F(EndToEnd, ModeSetsTheFrameSize) {
    ASSERT_EQ(Run("data", 1, {"--mode", "800x450x32", "--threads", "2", "--capture", root_ + "wide"}), 0) << output_;
    EXPECT_NE(output_.find("Scene slot 3"), std::string::npos) << output_;
    const int count = static_cast<int>(Frames("wide"));
    ASSERT_GT(count, 200);
    const demo::Picture first = demo::ReadTga(Frame("wide", 0));
    EXPECT_EQ(first.width, 800);
    EXPECT_EQ(first.height, 450);
    // The credits through the five-second wait, then four black frames and the last end-title frame.
    const demo::Picture credits = demo::ReadTga(Frame("wide", count - 6));
    ASSERT_EQ(credits.width, 800);
    auto pixel = [&](int x, int y) { return &credits.rgb[(static_cast<size_t>(y) * credits.width + x) * 3]; };
    // Black bars of (800 - 600) / 2 columns, the checker's yellow square next to them.
    EXPECT_EQ(pixel(99, 0)[0] | pixel(99, 0)[1] | pixel(99, 0)[2], 0);
    EXPECT_EQ(pixel(700, 449)[0] | pixel(700, 449)[1] | pixel(700, 449)[2], 0);
    EXPECT_EQ(pixel(100, 0)[0], 0xff);
    EXPECT_EQ(pixel(100, 0)[1], 0xd0);
    EXPECT_EQ(pixel(100, 0)[2], 0x40);
    fs::remove_all(root_ + "wide");

    EXPECT_EQ(Run("data", 6, {"--mode", "640x199"}), 2);
    EXPECT_NE(output_.find("--mode wants"), std::string::npos) << output_;
}

TEST_F(EndToEnd, MissingLakePictureLeavesTheWaterOff) {
    EXPECT_EQ(Run("nolake", 6, {"--frames", "60"}), 0) << output_;
    EXPECT_NE(output_.find("Scene slot 1"), std::string::npos);
}

TEST_F(EndToEnd, TerminationSignalsEndThroughTheShutdown) {
    for (int signal : {SIGTERM, SIGINT}) {
        const pid_t pid = Start({"--data", root_ + "data", "--headless", "--fixed-fps", "24"}, root_ + "signal.txt");
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        kill(pid, signal);
        EXPECT_EQ(Wait(pid), 0) << signal << ": " << ReadAll(root_ + "signal.txt");
    }
}

// Open the console, list the meshes, the surfaces of model 0, switch to
// wireframe, load the main scene by an upper-cased name, close the console,
// take a screenshot and quit.
TEST_F(EndToEnd, ConsoleSessionAndScreenshot) {
    const std::string script =
        "10 key GRAVE down\n11 key GRAVE up\n"
        "14 type dir\n30 key RETURN down\n31 key RETURN up\n"
        "34 type surfinfo\n62 key RETURN down\n63 key RETURN up\n"
        "66 type wire\n82 key RETURN down\n83 key RETURN up\n"
        "86 type load main\n118 key RETURN down\n119 key RETURN up\n"
        "124 key GRAVE down\n125 key GRAVE up\n"
        "134 key F3 down\n135 key F3 up\n"
        "144 key ESCAPE down\n";
    const std::string data = root_ + "console";
    demo::WriteDataSet(data);
    ASSERT_EQ(Run("console", 24, {"--capture", root_ + "frames"}, script), 0) << output_;

    // The last console frame before the console closed.
    ConsoleScreen screen;
    for (int n = static_cast<int>(Frames("frames")) - 1; n >= 0 && screen.lines.empty(); --n) {
        ConsoleScreen read = ReadConsole(demo::ReadTga(Frame("frames", n)));
        if (!read.lines.empty() && read.lines[0].rfind("Ambient set to", 0) == 0) screen = read;
    }
    const std::vector<std::string>& lines = screen.lines;
    ASSERT_GE(lines.size(), 4u) << "no console frame";
    const std::string cwd = fs::canonical(data).string() + "/";
    const std::string header = cwd + "meshes/ Object List___________________________";
    std::vector<std::string> expected = {"Ambient set to 0.200 R ,0.200 G ,0.200 B", "Bilinear Filter On", "dir",
                                         header.substr(0, 80)};
    std::vector<std::string> listed;
    for (const auto& entry : fs::directory_iterator(data + "/meshes")) listed.push_back(entry.path().filename());
    listed.insert(listed.end(), {".", ".."});
    std::sort(listed.begin(), listed.end());
    std::vector<std::string> shown(lines.begin() + 4, lines.begin() + std::min(lines.size(), 4 + listed.size()));
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, listed);
    for (const char* line : {"surfinfo", "Number of Surfaces : 1", "Surface 0 (GLOW) :", "  Number of Textures : 0",
                             "wire", "Fillmode set to wireframe", "load main"})
        expected.push_back(line);
    expected.push_back((cwd + "scenes/MAIN.lws").substr(0, 80));
    const size_t tail = 4 + listed.size();
    ASSERT_EQ(lines.size(), tail + expected.size() - 3) << testing::PrintToString(lines);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(lines[i], expected[i]);
    for (size_t i = tail; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i], expected[i - tail + 4]) << i;
    // The upper-cased name still found main.lws.
    EXPECT_EQ(lines.back().rfind("Loaded : MAIN (", 0), 0u) << lines.back();
    EXPECT_EQ(screen.input, "_");

    // F3 saved the frame as shots/ts000.tga; wireframe on a cleared background
    // leaves most of it black.
    const demo::Picture shot = demo::ReadTga(data + "/shots/ts000.tga");
    ASSERT_EQ(shot.width, 640);
    ASSERT_EQ(shot.height, 480);
    EXPECT_FALSE(fs::exists(data + "/shots/ts001.tga"));
    EXPECT_GT(std::count(shot.rgb.begin(), shot.rgb.end(), 0), static_cast<long>(shot.rgb.size() / 2));
    fs::remove_all(root_ + "frames");
}

// A scene without a sky leaves most of the frame uncovered: loaded in walk
// mode after the landscape (which needs no clear), its frames still start
// black, and the frame-rate text sits on a dark outline instead of smearing.
TEST_F(EndToEnd, SceneWithoutSkyIsDrawnOnAClearedFrame) {
    const std::string data = root_ + "nosky";
    demo::WriteDataSet(data);
    demo::WriteText(data + "/scenes/nosky.lws",
                    demo::SceneText({{"ROCK.LWO", {{0, 0, 0, 6}}}}, {{"", {{0, 0, 0, -6}}, -1}}));
    const std::string script =
        "6 key F2 down\n7 key F2 up\n"    // the landscape: drawn without a clear
        "10 key F4 down\n11 key F4 up\n"  // walk mode keeps that setting
        "14 key GRAVE down\n15 key GRAVE up\n"
        "18 type load nosky\n40 key RETURN down\n41 key RETURN up\n"
        "44 key GRAVE down\n45 key GRAVE up\n"
        "50 key LEFT down\n70 key LEFT up\n";  // step sideways: the picture moves
    ASSERT_EQ(Run("nosky", 24, {"--frames", "80", "--capture", root_ + "nosky_frames"}, script), 0) << output_;
    constexpr int kWait = 5 * 24;  // captured frames the start-up wait repeats

    // Walking over the landscape's sky, the text has its outline around it.
    const demo::Picture overSky = demo::ReadTga(Frame("nosky_frames", kWait + 12));
    ASSERT_EQ(overSky.width, 640);
    long outline = 0;
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 80; ++x) {
            const uint8_t* p = &overSky.rgb[(static_cast<size_t>(y) * 640 + x) * 3];
            if (p[0] == 0 && p[1] == 0 && p[2] == 0) ++outline;
        }
    EXPECT_GT(outline, 100);

    for (int n : {kWait + 48, kWait + 60, kWait + 75}) {
        const demo::Picture frame = demo::ReadTga(Frame("nosky_frames", n));
        ASSERT_EQ(frame.width, 640) << n;
        // The console's background (red 0x30) and earlier frames are gone: what
        // the rock does not cover is black.
        long black = 0, console = 0;
        for (size_t i = 0; i + 2 < frame.rgb.size(); i += 3) {
            const uint8_t r = frame.rgb[i], g = frame.rgb[i + 1], b = frame.rgb[i + 2];
            if (r == 0 && g == 0 && b == 0) ++black;
            if (r > 0x20 && r < 0x40 && g < 8 && b < 8) ++console;
        }
        EXPECT_GT(black, 640L * 480 / 2) << n;
        EXPECT_EQ(console, 0) << n;
        // The frame-rate text: dark red glyphs, each next to its black outline.
        long ink = 0, outlined = 0;
        for (int y = 1; y < 16; ++y)
            for (int x = 1; x < 80; ++x) {
                const uint8_t* p = &frame.rgb[(static_cast<size_t>(y) * 640 + x) * 3];
                if (!(p[0] > 0x70 && p[0] < 0x88 && p[1] < 8 && p[2] < 8)) continue;
                ++ink;
                const uint8_t* below = p + 640 * 3 + 3;
                if (below[0] == 0 && below[1] == 0 && below[2] == 0) ++outlined;
            }
        EXPECT_GT(ink, 20) << n;
        EXPECT_GT(outlined, 0) << n;
    }
    fs::remove_all(root_ + "nosky_frames");
}

// HELP is longer than the console's 30 lines: its first lines scroll away and
// Page Up brings them back, Page Down returns to the newest ones.
TEST_F(EndToEnd, ConsoleScrollsBackThroughHelp) {
    const std::string script =
        "10 key GRAVE down\n11 key GRAVE up\n"
        "14 type help\n26 key RETURN down\n27 key RETURN up\n"
        "36 key PGUP down\n37 key PGUP up\n"
        "40 key PGUP down\n41 key PGUP up\n"  // already at the oldest line: stays
        "46 key PGDN down\n47 key PGDN up\n";
    ASSERT_EQ(Run("data", 24, {"--frames", "56", "--capture", root_ + "scroll"}, script), 0) << output_;
    constexpr int kWait = 5 * 24;  // captured frames the start-up wait repeats

    // After HELP: its last 30 lines, ending with the line on LOAD.
    const ConsoleScreen newest = ReadConsole(demo::ReadTga(Frame("scroll", kWait + 32)));
    ASSERT_EQ(newest.lines.size(), 30u) << testing::PrintToString(newest.lines);
    EXPECT_EQ(newest.lines.back(), "- LOAD takes a scene name: LOAD main loads main.lws from the scenes path.");
    EXPECT_EQ(newest.lines[28], "  [string] to use the system font.");
    EXPECT_EQ(std::count(newest.lines.begin(), newest.lines.end(), "help"), 0);

    // Page Up: the oldest lines, from the start-up's two answers on.
    for (int n : {kWait + 38, kWait + 44}) {
        const ConsoleScreen oldest = ReadConsole(demo::ReadTga(Frame("scroll", n)));
        ASSERT_GE(oldest.lines.size(), 4u) << n;
        EXPECT_EQ(oldest.lines[0], "Ambient set to 0.200 R ,0.200 G ,0.200 B") << n;
        EXPECT_EQ(oldest.lines[1], "Bilinear Filter On") << n;
        EXPECT_EQ(oldest.lines[2], "help") << n;
        EXPECT_EQ(oldest.lines[4], "Zorvath Tessaly Commands__________________________") << n;
        EXPECT_EQ(oldest.input, "_") << n;
    }
    // Page Down: back to the newest lines.
    EXPECT_EQ(ReadConsole(demo::ReadTga(Frame("scroll", kWait + 52))).lines, newest.lines);
    fs::remove_all(root_ + "scroll");
}

// The frame shown through the start-up wait carries the wait text (green, at
// the top left) for the whole wait, and a frame limit reached during start-up
// ends the run there.
TEST_F(EndToEnd, StartUpWaitShowsItsText) {
    ASSERT_EQ(Run("data", 24, {"--frames", "4", "--capture", root_ + "wait"}), 0) << output_;
    const demo::Picture shown = demo::ReadTga(Frame("wait", 2));
    ASSERT_EQ(shown.width, 640);
    long green = 0;
    for (int y = 5; y < 21; ++y)
        for (int x = 5; x < 5 + 28 * 8; ++x) {
            const uint8_t* p = &shown.rgb[(static_cast<size_t>(y) * 640 + x) * 3];
            if (p[0] < 0x20 && p[1] > 0xe0 && p[2] < 0x20) ++green;
        }
    EXPECT_GT(green, 150);
    // The capture repeats the shown frame through the five seconds of the wait.
    constexpr int kWait = 5 * 24;
    EXPECT_EQ(Frames("wait"), 4u + kWait);
    for (int n = 3; n < 3 + kWait; n += 17) EXPECT_EQ(ReadAll(Frame("wait", n)), ReadAll(Frame("wait", 2))) << n;
    ASSERT_EQ(Run("data", 24, {"--frames", "1", "--capture", root_ + "wait1"}), 0) << output_;
    EXPECT_EQ(Frames("wait1"), 1u);
    fs::remove_all(root_ + "wait");
    fs::remove_all(root_ + "wait1");
}

TEST_F(EndToEnd, OptionsAndDataDirectoryErrors) {
    EXPECT_EQ(Run("data", 24, {"--frames", "zero"}), 2);
    EXPECT_NE(output_.find("--frames"), std::string::npos);
    EXPECT_EQ(Run("missing", 24), 1);
    EXPECT_EQ(Wait(Start({"--version"}, root_ + "version.txt")), 0);
    EXPECT_EQ(ReadAll(root_ + "version.txt").rfind("tessaly ", 0), 0u);
}

// Capture that cannot write stops at the first failure with one message
// giving the system's reason, leaves no partial frame, ends the run and exits
// with 1: a capture folder that cannot be created, and a full disk (every
// file capped at half a frame).
TEST_F(EndToEnd, CaptureFailuresStopTheRunWithTheReason) {
    auto count = [](const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    };
    // The frames the run presented, from its summary line.
    auto presented = [](const std::string& text) {
        const size_t at = text.find("summary: ");
        return at == std::string::npos ? -1L : std::atol(text.c_str() + at + 9);
    };
    demo::WriteText(root_ + "plain", "a file, not a folder");
    EXPECT_EQ(Run("data", 6, {"--frames", "300", "--progress", "--capture", root_ + "plain/frames"}), 1) << output_;
    EXPECT_NE(output_.find("Frame capture: cannot create directory " + root_ + "plain/frames: Not a directory"),
              std::string::npos)
        << output_;
    EXPECT_EQ(count(output_, "Frame capture"), 1u) << output_;
    EXPECT_LE(presented(output_), 2) << "the run went on: " << output_;

    constexpr long long kFrameBytes = 18 + 640 * 480 * 3;
    fileSizeLimit_ = kFrameBytes / 2;
    EXPECT_EQ(Run("data", 6, {"--frames", "300", "--progress", "--capture", root_ + "full"}), 1) << output_;
    fileSizeLimit_ = 0;
    EXPECT_NE(output_.find("Frame capture: cannot write " + Frame("full", 0) + ": File too large; capture stopped"),
              std::string::npos)
        << output_;
    EXPECT_EQ(count(output_, "Frame capture"), 1u) << output_;
    EXPECT_LE(presented(output_), 2) << "the run went on: " << output_;
    EXPECT_EQ(Frames("full"), 0u) << "the cut frame stays behind";
    fs::remove_all(root_ + "full");
}

// A capture folder whose parents do not exist yet is made with them.
TEST_F(EndToEnd, CaptureMakesMissingParentFolders) {
    EXPECT_EQ(Run("data", 6, {"--frames", "3", "--capture", root_ + "new/deeper/frames"}), 0) << output_;
    EXPECT_GE(Frames("new/deeper/frames"), 3u) << output_;
    fs::remove_all(root_ + "new");
}

}  // namespace
