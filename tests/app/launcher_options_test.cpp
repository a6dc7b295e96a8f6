// The launcher's command line.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "app/launcher_options.h"
#include "app/startup.h"

namespace {

LaunchAction Parse(std::vector<const char*> args, LaunchOptions& options, char* error = nullptr) {
    args.insert(args.begin(), "tessaly");
    char scratch[256];
    return ParseLaunchOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()), options,
                              error ? error : scratch, 256);
}

TEST(LaunchOptions, EveryOptionFillsTheRunOptions) {
    LaunchOptions o;
    ASSERT_EQ(Parse({"--data", "d", "--headless", "--window", "--fixed-fps", "24", "--capture", "c", "--frames", "100",
                     "--script", "s", "--audio-out", "a.wav", "--shot-format", "png"},
                    o),
              LaunchAction::Run);
    EXPECT_STREQ(o.dataDir, "d");
    EXPECT_EQ(o.platform.headless, 1);
    EXPECT_EQ(o.platform.windowed, 1);
    EXPECT_EQ(o.platform.fixedFps, 24);
    EXPECT_STREQ(o.platform.captureDir, "c");
    EXPECT_EQ(o.platform.maxFrames, 100);
    EXPECT_STREQ(o.platform.scriptPath, "s");
    EXPECT_STREQ(o.platform.audioOut, "a.wav");
    EXPECT_STREQ(o.shotFormat, "png");

    ASSERT_EQ(Parse({}, o), LaunchAction::Run);
    EXPECT_EQ(o.dataDir, nullptr);
    EXPECT_EQ(o.platform.fixedFps, 0);
    EXPECT_STREQ(o.shotFormat, "tga");
    EXPECT_EQ(Parse({"--help"}, o), LaunchAction::Help);
    EXPECT_EQ(Parse({"--headless", "--version"}, o), LaunchAction::Version);
}

TEST(LaunchOptions, BadValuesAreRefused) {
    LaunchOptions o;
    char error[256];
    EXPECT_EQ(Parse({"--fixed-fps", "0"}, o, error), LaunchAction::Error);
    EXPECT_NE(std::strstr(error, "--fixed-fps"), nullptr);
    EXPECT_EQ(Parse({"--fixed-fps", "24x"}, o), LaunchAction::Error);
    EXPECT_EQ(Parse({"--frames", "-3"}, o), LaunchAction::Error);
    EXPECT_EQ(Parse({"--frames", "99999999999999999999999"}, o), LaunchAction::Error);
    EXPECT_EQ(Parse({"--data"}, o, error), LaunchAction::Error);
    EXPECT_NE(std::strstr(error, "--data"), nullptr);
    EXPECT_EQ(Parse({"--fullscreen"}, o, error), LaunchAction::Error);
    EXPECT_NE(std::strstr(error, "--fullscreen"), nullptr);
    EXPECT_EQ(Parse({"--shot-format", "jpg"}, o, error), LaunchAction::Error);
    EXPECT_NE(std::strstr(error, "--shot-format wants tga or png"), nullptr);
}

// --video takes a Matroska or MP4 name and needs the fixed clock, whose rate
// is the video's; --video-quality is a constant rate factor and goes with it.
TEST(LaunchOptions, VideoNeedsTheFixedClockAndAKnownContainer) {
    LaunchOptions o;
    char error[256];
    ASSERT_EQ(Parse({"--fixed-fps", "24", "--video", "Run.MKV", "--video-quality", "30"}, o), LaunchAction::Run);
    EXPECT_STREQ(o.videoPath, "Run.MKV");
    EXPECT_EQ(o.videoQuality, 30);
    ASSERT_EQ(Parse({"--video", "run.mp4", "--fixed-fps", "10"}, o), LaunchAction::Run);
    EXPECT_EQ(o.videoQuality, -1);

    EXPECT_EQ(Parse({"--video", "run.mkv"}, o, error), LaunchAction::Error);
    EXPECT_NE(std::strstr(error, "--fixed-fps"), nullptr) << error;
    EXPECT_EQ(Parse({"--fixed-fps", "24", "--video", "run.avi"}, o, error), LaunchAction::Error);
    EXPECT_NE(std::strstr(error, ".mkv or .mp4"), nullptr) << error;
    EXPECT_EQ(Parse({"--fixed-fps", "24", "--video", ".mkv"}, o), LaunchAction::Error);
    EXPECT_EQ(Parse({"--fixed-fps", "24", "--video", "a.mkv", "--video-quality", "52"}, o), LaunchAction::Error);
    EXPECT_EQ(Parse({"--fixed-fps", "24", "--video-quality", "20"}, o, error), LaunchAction::Error);
    EXPECT_NE(std::strstr(error, "--video"), nullptr) << error;
}

TEST(LaunchOptions, RelativePathsAreTakenFromTheStartFolder) {
    EXPECT_EQ(PathFromFolder("/home/u/", "shots/run1"), "/home/u/shots/run1");
    EXPECT_EQ(PathFromFolder("/home/u/", "../x.wav"), "/home/u/../x.wav");
    EXPECT_EQ(PathFromFolder("/home/u/", "/abs/script.txt"), "/abs/script.txt");
    EXPECT_EQ(PathFromFolder("/home/u/", ""), "");
    EXPECT_EQ(PathFromFolder("", "rel"), "rel");  // no start folder known: left as given
}

TEST(LaunchOptions, ModeAndThreads) {
    LaunchOptions o;
    char error[256];
    ASSERT_EQ(Parse({"--mode", "1920x1080x32", "--threads", "3"}, o), LaunchAction::Run);
    EXPECT_EQ(o.platform.modeWidth, 1920);
    EXPECT_EQ(o.platform.modeHeight, 1080);
    EXPECT_EQ(o.platform.modeBits, 32);
    EXPECT_EQ(o.platform.threads, 3);
    EXPECT_FALSE(o.desktopMode);
    // Bits default to 16; the range's corners are accepted; the last --mode wins.
    ASSERT_EQ(Parse({"--mode", "desktop", "--mode", "320x200"}, o), LaunchAction::Run);
    EXPECT_EQ(o.platform.modeBits, 16);
    EXPECT_FALSE(o.desktopMode);
    ASSERT_EQ(Parse({"--mode", "3840x2160x16", "--mode", "desktop"}, o), LaunchAction::Run);
    EXPECT_TRUE(o.desktopMode);
    EXPECT_EQ(o.platform.modeWidth, 0);
    // Nothing given: the default mode, one thread per core.
    ASSERT_EQ(Parse({}, o), LaunchAction::Run);
    EXPECT_EQ(o.platform.modeWidth, 0);
    EXPECT_EQ(o.platform.threads, 0);

    for (const char* bad : {"319x200", "320x199", "3841x2160", "640x2161", "640x480x24", "640x480x", "640", "640x",
                            "x480", "640x480x16x", "640*480", "", "desktop2"}) {
        EXPECT_EQ(Parse({"--mode", bad}, o, error), LaunchAction::Error) << bad;
        EXPECT_NE(std::strstr(error, "--mode wants"), nullptr) << bad;
    }
    for (const char* bad : {"0", "65", "-1", "2x", ""}) {
        EXPECT_EQ(Parse({"--threads", bad}, o, error), LaunchAction::Error) << bad;
        EXPECT_NE(std::strstr(error, "--threads wants"), nullptr) << bad;
    }
    EXPECT_EQ(Parse({"--threads"}, o), LaunchAction::Error);
}

// The demo's view keeps its vertical extent on frames of any shape: tan of the
// half field of view over the width is the same as at 640x480.
TEST(LaunchOptions, FieldOfViewKeepsTheVerticalView) {
    EXPECT_EQ(DemoFieldOfView(640, 480), 1.0f);
    EXPECT_EQ(DemoFieldOfView(1600, 1200), 1.0f);
    const double vertical = std::tan(0.5) / 640.0;  // per pixel, with 480 rows
    for (auto [w, h] : {std::pair{1920, 1080}, std::pair{640, 400}, std::pair{320, 240}, std::pair{1000, 1000}}) {
        const double f = DemoFieldOfView(w, h);
        EXPECT_NEAR(std::tan(f / 2) / w * h, vertical * 480.0, 1e-6) << w << "x" << h;
    }
    EXPECT_GT(DemoFieldOfView(1920, 1080), 1.0f);
    EXPECT_LT(DemoFieldOfView(1000, 1000), 1.0f);
}

}  // namespace

namespace {

TEST(LaunchOptions, OneFileAndItsContentFolder) {
    LaunchOptions& o = RunOptions();  // as the program parses them: into the run's one set
    char error[256] = {};
    ASSERT_EQ(Parse({"--headless", "scene.LWS", "--content", "proj"}, o), LaunchAction::Run);
    EXPECT_STREQ(o.file, "scene.LWS");
    EXPECT_STREQ(o.contentDir, "proj");
    EXPECT_STREQ(RunLaunchOptions().file, "scene.LWS");
    EXPECT_EQ(Parse({"a.lws", "b.lwo"}, o, error), LaunchAction::Error);
    EXPECT_NE(std::strstr(error, "b.lwo"), nullptr) << error;
    EXPECT_EQ(Parse({"--content"}, o), LaunchAction::Error);
    // The usage shows FILE first.
    const char* usage = LaunchUsage();
    EXPECT_EQ(std::strncmp(usage, "Usage: tessaly [options] FILE\n", 30), 0) << usage;
    EXPECT_NE(std::strstr(usage, "--content DIR"), nullptr);
}

}  // namespace
