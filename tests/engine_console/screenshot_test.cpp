// Screenshots over the real back-end without a display and the real tga
// plug-in: numbering, the saved picture, and the failure paths.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/engine_console/headless_engine.h"

namespace {

namespace fs = std::filesystem;

const auto* const kEngine = ::testing::AddGlobalTestEnvironment(new engine_test::HeadlessEngine);

std::vector<std::string> gMessages;
int Record(const char* message) {
    gMessages.emplace_back(message);
    return 7;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ScreenShot : public ::testing::Test {
protected:
    void SetUp() override {
        gMessages.clear();
        shots_ = fs::temp_directory_path() / ("screenshot_test_" + std::to_string(getpid()));
        fs::remove_all(shots_);
        fs::create_directories(shots_);
        dir_ = shots_.string() + "/";
    }
    void TearDown() override { fs::remove_all(shots_); }

    void Touch(const std::string& name) { std::ofstream(shots_ / name) << "taken"; }
    int Shoot(const char* extension = "tga") { return r_ScreenShot("ts", extension, dir_.c_str(), 0, Record); }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(shots_)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path shots_;
    std::string dir_;
};

TEST_F(ScreenShot, SavesTheFrameAsTheFirstFreeNumber) {
    Touch("ts000.tga");
    Touch("TS001.TGA");  // names are compared without regard to case
    ASSERT_EQ(r_ClearScreen(0xff0000, nullptr), 0);
    EXPECT_EQ(Shoot(), 0);
    EXPECT_TRUE(gMessages.empty());

    // A 24-bit picture of the whole 640x480 frame, every pixel red (stored
    // blue, green, red).
    const std::string tga = ReadFile(shots_ / "ts002.tga");
    ASSERT_GE(tga.size(), 18u + 640u * 480u * 3u);
    EXPECT_EQ(static_cast<unsigned char>(tga[12]) | static_cast<unsigned char>(tga[13]) << 8, 640);
    EXPECT_EQ(static_cast<unsigned char>(tga[14]) | static_cast<unsigned char>(tga[15]) << 8, 480);
    EXPECT_EQ(tga[16], 24);
    const size_t first = 18 + static_cast<unsigned char>(tga[0]);
    EXPECT_EQ(tga.substr(first, 3), std::string("\0\0\xff", 3));
    EXPECT_EQ(tga.substr(first + 640 * 480 * 3 - 3, 3), std::string("\0\0\xff", 3));

    // A freed number is used again before higher ones.
    fs::remove(shots_ / "ts000.tga");
    EXPECT_EQ(Shoot(), 0);
    EXPECT_EQ(Files(), (std::vector<std::string>{"TS001.TGA", "ts000.tga", "ts002.tga"}));
}

TEST_F(ScreenShot, NumbersHaveThreeDigitsAndTheDirectoryIsFoundInAnyCase) {
    for (int n = 0; n < 7; ++n) Touch("ts00" + std::to_string(n) + ".tga");
    std::string upper = dir_;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(r_ScreenShot("ts", "tga", upper.c_str(), 0, Record), 0);
    EXPECT_TRUE(fs::exists(shots_ / "ts007.tga"));
}

TEST_F(ScreenShot, AnExtensionWithoutAPlugInSavesAndPrintsNothing) {
    EXPECT_EQ(Shoot("xyz"), 0);
    EXPECT_TRUE(gMessages.empty());
    EXPECT_TRUE(Files().empty());
    // The back buffer was released: the next shot works.
    EXPECT_EQ(Shoot(), 0);
    EXPECT_EQ(Files(), (std::vector<std::string>{"ts000.tga"}));
}

TEST_F(ScreenShot, ALibraryThatIsNoImagePlugInIsReported) {
    // The raster back-end is a loadable library without the picture entries.
    EXPECT_EQ(Shoot("t7dxraster"), 7);
    EXPECT_EQ(gMessages, (std::vector<std::string>{"Link2DFunctions : Error, Unable to load r_Load2D from t7dxraster.dll\n",
                                                   "r_ScreenShot : Error, Could not properly link t7dxraster.dll\n"}));
    EXPECT_TRUE(Files().empty());
}

TEST_F(ScreenShot, AllNumbersTaken) {
    char name[32];
    for (int n = 0; n < 1000; ++n) {
        std::snprintf(name, sizeof name, "ts%.3d.tga", n);
        Touch(name);
    }
    EXPECT_EQ(Shoot(), 7);
    EXPECT_EQ(gMessages, std::vector<std::string>{"r_ScreenShot : Error, No Free File Names (" + dir_ + "tsxxx.tga)\n"});
}

TEST_F(ScreenShot, AFileThatCannotBeWrittenIsNoSuccess) {
    const std::string missing = dir_ + "missing/";
    EXPECT_EQ(r_ScreenShot("ts", "tga", missing.c_str(), 0, Record), -1);
    EXPECT_FALSE(gMessages.empty());
}

}  // namespace
