// The fixed-step clock, real-time waits, the frame limit and frame capture.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tessaly/plugin_interface.h"
#include "tests/platform/platform_test_support.h"

namespace {

using Clock = platform_test::HeadlessRun;

TEST_F(Clock, FixedRateCountsFramesExactlyAndWaitsJumpIt) {
    PlatOptions options{};
    options.fixedFps = 30;
    ASSERT_EQ(Configure(options), 0);
    EXPECT_EQ(plat_Milliseconds(), 0u);
    for (long frame = 1; frame <= 3000; ++frame) {
        plat_FramePresented(nullptr, 0, 0, 0);
        ASSERT_EQ(plat_Milliseconds(), static_cast<uint32_t>(frame * 1000 / 30)) << "frame " << frame;
    }
    plat_WaitSeconds(5.0);
    plat_WaitSeconds(0.0005);
    plat_WaitSeconds(0.0005);
    EXPECT_EQ(plat_Milliseconds(), 105001u);
    plat_WaitSeconds(-1.0);
    plat_WaitSeconds(std::nan(""));
    plat_WaitSeconds(INFINITY);
    EXPECT_EQ(plat_Milliseconds(), 105001u);
}

TEST_F(Clock, RealTimeWaitLastsAtLeastTheTimeAsked) {
    ASSERT_EQ(Configure({}), 0);
    const uint32_t before = plat_Milliseconds();
    plat_WaitSeconds(0.03);
    EXPECT_GE(plat_Milliseconds() - before, 29u);
}

TEST_F(Clock, FrameLimitPostsOneCloseMessage) {
    PlatOptions options{};
    options.maxFrames = 3;
    ASSERT_EQ(Configure(options), 0);
    PlatMessage message{};
    platform_test::AdvanceTo(2);
    EXPECT_EQ(plat_PeekMessage(&message), 0);
    platform_test::AdvanceTo(3);
    ASSERT_EQ(plat_PeekMessage(&message), 1);
    EXPECT_EQ(message.kind, PLAT_MSG_CLOSE);
    platform_test::AdvanceTo(8);
    EXPECT_EQ(plat_PeekMessage(&message), 0);
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST_F(Clock, CaptureWritesEachFrameAsATopDownTga) {
    const std::string dir = (dir_ / "shots").string();  // created on the first frame
    PlatOptions options{};
    options.captureDir = dir.c_str();
    ASSERT_EQ(Configure(options), 0);
    ASSERT_EQ(plat_WantsFrameCapture(), 1);

    constexpr int kWidth = 5, kHeight = 3, kPitch = 20;  // rows padded beyond 15 bytes
    std::vector<uint8_t> pixels(kPitch * kHeight, 0xCC);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth * 3; ++x) pixels[y * kPitch + x] = static_cast<uint8_t>(y * 40 + x);
    plat_FramePresented(pixels.data(), kWidth, kHeight, kPitch);
    testing::internal::CaptureStderr();
    plat_FramePresented(pixels.data(), kWidth, kHeight, 12);  // pitch shorter than a row: refused
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Frame capture"), std::string::npos);
    EXPECT_EQ(plat_PresentedFrames(), 2);

    const auto tga = ReadFile(dir_ / "shots" / "frame00000.tga");
    ASSERT_EQ(tga.size(), 18u + kWidth * kHeight * 3);
    EXPECT_EQ(tga[1], 0);  // no colour map
    EXPECT_EQ(tga[2], 2);  // uncompressed true colour
    EXPECT_EQ(tga[12] | tga[13] << 8, kWidth);
    EXPECT_EQ(tga[14] | tga[15] << 8, kHeight);
    EXPECT_EQ(tga[16], 24);
    EXPECT_EQ(tga[17] & 0x20, 0x20);  // top row first
    for (int i = 0; i < kWidth * kHeight * 3; ++i) EXPECT_EQ(tga[18 + i], i / 15 * 40 + i % 15) << i;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "shots" / "frame00001.tga"));

    ASSERT_EQ(Configure({}), 0);
    EXPECT_EQ(plat_WantsFrameCapture(), 0);
}

// On the fixed clock capture slot k is the screen at k/N seconds: a wait
// repeats the last presented frame for the slots it covers, in the files and
// in the frame sink alike, and the end of the run fills up to the clock.
std::vector<std::pair<uint8_t, long>> g_sunk;  // first byte of each frame given to the sink, and its copies
void Sink(const uint8_t* bgr, int, int, int, long copies) { g_sunk.emplace_back(bgr[0], copies); }

TEST_F(Clock, WaitsRepeatTheLastFrameSoSlotsFollowTheClock) {
    const std::string dir = (dir_ / "slots").string();
    PlatOptions options{};
    options.fixedFps = 4;
    options.captureDir = dir.c_str();
    ASSERT_EQ(Configure(options), 0);
    g_sunk.clear();
    plat_SetFrameSink(Sink);
    uint8_t pixels[2 * 2 * 3];
    auto present = [&](uint8_t value) {
        std::fill(std::begin(pixels), std::end(pixels), value);
        plat_FramePresented(pixels, 2, 2, 6);
    };
    present(10);            // slot 0, at 0 s
    plat_WaitSeconds(1.0);  // slots 1 to 4 show frame 10
    present(20);            // slot 5, at 1.25 s
    present(30);            // slot 6
    plat_WaitSeconds(0.5);
    plat_FinishCapture();  // slots 7 and 8 show frame 30
    EXPECT_EQ(plat_CaptureSlots(), 9);
    EXPECT_EQ(plat_Milliseconds(), 2250u);  // 9 slots of a quarter second
    const std::vector<std::pair<uint8_t, long>> expected = {{10, 1}, {10, 4}, {20, 1}, {30, 1}, {30, 2}};
    EXPECT_EQ(g_sunk, expected);
    const uint8_t files[9] = {10, 10, 10, 10, 10, 20, 30, 30, 30};
    for (int k = 0; k < 9; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "frame%05d.tga", k);
        const auto tga = ReadFile(dir_ / "slots" / name);
        ASSERT_EQ(tga.size(), 18u + 12u) << name;
        EXPECT_EQ(tga[18], files[k]) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(dir_ / "slots" / "frame00009.tga"));

    // A new run forgets the sink and starts from slot 0.
    ASSERT_EQ(Configure({}), 0);
    EXPECT_EQ(plat_WantsFrameCapture(), 0);
    EXPECT_EQ(plat_CaptureSlots(), 0);
}

TEST_F(Clock, CapturedFramesArePngFilesWhenAskedUntilTheNextRun) {
    const std::string dir = (dir_ / "png").string();
    PlatOptions options{};
    options.captureDir = dir.c_str();
    ASSERT_EQ(Configure(options), 0);
    EXPECT_EQ(plat_SetCaptureFormat("gif"), -1);
    ASSERT_EQ(plat_SetCaptureFormat("PNG"), 0);

    constexpr int kWidth = 5, kHeight = 3, kPitch = 20;
    std::vector<uint8_t> pixels(kPitch * kHeight, 0xCC);
    for (int i = 0; i < kPitch * kHeight; ++i) pixels[i] = static_cast<uint8_t>(i * 11);
    plat_FramePresented(pixels.data(), kWidth, kHeight, kPitch);

    // Read back through the PNG plug-in: rows top first, R,G,B.
    void* png = plat_LoadLibrary("png.dll");
    ASSERT_NE(png, nullptr);
    auto load = reinterpret_cast<ImageFn_Load2D>(plat_GetProcAddress(png, "r_Load2D"));
    auto data = reinterpret_cast<ImageFn_GetImageData>(plat_GetProcAddress(png, "r_GetImageData"));
    auto read = reinterpret_cast<ImageFn_GetImagePointer>(plat_GetProcAddress(png, "r_GetImagePointer"));
    ASSERT_EQ(load((dir_ / "png" / "frame00000.png").c_str(), nullptr), 0);
    int width = 0, height = 0, bits = 0;
    data(&width, &height, &bits, nullptr);
    ASSERT_EQ(width * 100 + height * 10 + bits / 8, kWidth * 100 + kHeight * 10 + 3);
    const uint8_t* rgb = read(nullptr);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(rgb[(y * kWidth + x) * 3 + k], pixels[y * kPitch + x * 3 + 2 - k]) << x << y << k;
    plat_FreeLibrary(png);

    ASSERT_EQ(Configure(options), 0);  // a new run writes TGA again
    plat_FramePresented(pixels.data(), kWidth, kHeight, kPitch);
    EXPECT_TRUE(std::filesystem::exists(dir_ / "png" / "frame00000.tga"));
    ASSERT_EQ(Configure({}), 0);
}

}  // namespace
