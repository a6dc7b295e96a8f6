// Screenshots over the real back-end without a display and the real tga plug-in.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/engine/console/headless_engine.h"

namespace {

namespace fs = std::filesystem;

const auto* const kEngine = ::testing::AddGlobalTestEnvironment(new engine_test::HeadlessEngine);

std::vector<std::string> g_messages;
int Record(const char* message) {
    g_messages.emplace_back(message);
    return 7;
}

class ScreenShot : public ::testing::Test {
protected:
    void SetUp() override {
        g_messages.clear();
        fs::remove_all(shots_);
        fs::create_directories(shots_);
    }
    void TearDown() override { fs::remove_all(shots_); }

    void Touch(const std::string& name) { std::ofstream(shots_ / name) << "taken"; }
    int Shoot(const char* extension, const std::string& dir) {
        return r_ScreenShot("ts", extension, dir.c_str(), 0, Record);
    }

    const fs::path shots_ = fs::temp_directory_path() / ("SHOTS_" + std::to_string(getpid()));
    const std::string dir_ = shots_.string() + "/";
};

TEST_F(ScreenShot, SavesTheFrameUnderTheFirstFreeNumber) {
    Touch("ts000.tga");
    Touch("TS001.TGA");  // names compare without regard to case
    ASSERT_EQ(r_ClearScreen(0xff0000, nullptr), 0);
    std::string lower = dir_;
    lower.replace(lower.find("SHOTS_"), 5, "shots");
    EXPECT_EQ(Shoot("tga", lower), 0);
    EXPECT_TRUE(g_messages.empty());

    // 640x480 at 24 bits, every pixel red (stored blue, green, red).
    std::ifstream in(shots_ / "ts002.tga", std::ios::binary);
    const std::string tga((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GE(tga.size(), 18u + 640u * 480u * 3u);
    EXPECT_EQ(tga.substr(12, 5), std::string("\x80\x02\xe0\x01\x18", 5));
    const size_t first = 18 + static_cast<unsigned char>(tga[0]);
    EXPECT_EQ(tga.substr(first, 3), std::string("\0\0\xff", 3));
    EXPECT_EQ(tga.substr(first + 640 * 480 * 3 - 3, 3), std::string("\0\0\xff", 3));

    fs::remove(shots_ / "ts000.tga");  // a freed number is used again
    EXPECT_EQ(Shoot("tga", dir_), 0);
    EXPECT_TRUE(fs::exists(shots_ / "ts000.tga"));
}

TEST_F(ScreenShot, FailuresSaveNothing) {
    EXPECT_EQ(Shoot("xyz", dir_), -1);  // no plug-in: nothing printed, buffer released, no success
    EXPECT_TRUE(g_messages.empty());
    // The raster back-end is a library without the picture entries.
    EXPECT_EQ(Shoot("t7dxraster", dir_), 7);
    EXPECT_EQ(g_messages,
              (std::vector<std::string>{"Link2DFunctions : Error, Unable to load r_Load2D from t7dxraster.dll\n",
                                        "r_ScreenShot : Error, Could not properly link t7dxraster.dll\n"}));
    EXPECT_TRUE(fs::is_empty(shots_));
    // A file that cannot be written is no success.
    EXPECT_EQ(Shoot("tga", dir_ + "missing/"), -1);

    g_messages.clear();
    char name[32];
    for (int n = 0; n < 1000; ++n) {
        std::snprintf(name, sizeof name, "ts%.3d.tga", n);
        Touch(name);
    }
    EXPECT_EQ(Shoot("tga", dir_), 7);
    EXPECT_EQ(g_messages,
              std::vector<std::string>{"r_ScreenShot : Error, No Free File Names (" + dir_ + "tsxxx.tga)\n"});
}

}  // namespace
