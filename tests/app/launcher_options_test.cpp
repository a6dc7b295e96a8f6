// The launcher's command line.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/launcher_options.h"

namespace {

LaunchAction Parse(std::vector<const char*> args, LaunchOptions& options, char* error = nullptr) {
    args.insert(args.begin(), "tessaly");
    char scratch[256];
    return ParseLaunchOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()), options,
                              error ? error : scratch, 256);
}

TEST(LaunchOptions, EveryOptionFillsTheRunOptions) {
    LaunchOptions o;
    ASSERT_EQ(Parse({"--data", "d", "--headless", "--window", "--fixed-fps", "24", "--capture", "c", "--frames",
                     "100", "--script", "s", "--audio-out", "a.wav"},
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

    ASSERT_EQ(Parse({}, o), LaunchAction::Run);
    EXPECT_EQ(o.dataDir, nullptr);
    EXPECT_EQ(o.platform.fixedFps, 0);
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
}

TEST(LaunchOptions, RelativePathsAreTakenFromTheStartFolder) {
    EXPECT_EQ(PathFromFolder("/home/u/", "shots/run1"), "/home/u/shots/run1");
    EXPECT_EQ(PathFromFolder("/home/u/", "../x.wav"), "/home/u/../x.wav");
    EXPECT_EQ(PathFromFolder("/home/u/", "/abs/script.txt"), "/abs/script.txt");
    EXPECT_EQ(PathFromFolder("/home/u/", ""), "");
    EXPECT_EQ(PathFromFolder("", "rel"), "rel");  // no start folder known: left as given
}

}  // namespace
