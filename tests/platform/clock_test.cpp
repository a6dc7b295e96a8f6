// The fixed-step clock, real-time waits, the frame limit and frame capture.
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/platform/platform_test_support.h"

namespace {

using Clock = platform_test::HeadlessRun;

TEST_F(Clock, FixedRateAdvancesExactlyPerFrameWithoutDrift) {
    PlatOptions options{};
    options.fixedFps = 30;
    ASSERT_EQ(Configure(options), 0);
    EXPECT_EQ(plat_Milliseconds(), 0u);
    for (long frame = 1; frame <= 3000; ++frame) {
        plat_FramePresented(nullptr, 0, 0, 0);
        ASSERT_EQ(plat_Milliseconds(), static_cast<uint32_t>(frame * 1000 / 30)) << "frame " << frame;
    }
    EXPECT_EQ(plat_Milliseconds(), 100000u);
    EXPECT_EQ(plat_PresentedFrames(), 3000);
}

TEST_F(Clock, FixedRateWaitsJumpTheClockInsteadOfSpinning) {
    PlatOptions options{};
    options.fixedFps = 60;
    ASSERT_EQ(Configure(options), 0);
    plat_FramePresented(nullptr, 0, 0, 0);  // 16 ms
    plat_WaitSeconds(5.0);
    EXPECT_EQ(plat_Milliseconds(), 5016u);
    plat_FramePresented(nullptr, 0, 0, 0);  // two frames: 33 ms
    EXPECT_EQ(plat_Milliseconds(), 5033u);
    plat_WaitSeconds(0.0005);
    plat_WaitSeconds(0.0005);
    EXPECT_EQ(plat_Milliseconds(), 5034u);
    plat_WaitSeconds(-1.0);
    plat_WaitSeconds(std::nan(""));
    plat_WaitSeconds(INFINITY);
    EXPECT_EQ(plat_Milliseconds(), 5034u);
}

TEST_F(Clock, RealTimeWaitLastsAtLeastTheTimeAsked) {
    ASSERT_EQ(Configure({}), 0);
    const uint32_t before = plat_Milliseconds();
    plat_WaitSeconds(0.03);
    const uint32_t after = plat_Milliseconds();
    EXPECT_GE(after - before, 29u);
    plat_FramePresented(nullptr, 0, 0, 0);  // frames do not move the real clock forward
    EXPECT_LT(plat_Milliseconds() - after, 1000u);
}

TEST_F(Clock, FrameLimitPostsOneCloseMessage) {
    PlatOptions options{};
    options.maxFrames = 3;
    ASSERT_EQ(Configure(options), 0);
    PlatMessage message{};
    for (int frame = 0; frame < 2; ++frame) {
        plat_FramePresented(nullptr, 0, 0, 0);
        EXPECT_EQ(plat_PeekMessage(&message), 0);
    }
    plat_FramePresented(nullptr, 0, 0, 0);
    ASSERT_EQ(plat_PeekMessage(&message), 1);
    EXPECT_EQ(message.kind, PLAT_MSG_CLOSE);
    EXPECT_EQ(plat_PeekMessage(&message), 0);
    for (int frame = 0; frame < 5; ++frame) plat_FramePresented(nullptr, 0, 0, 0);
    EXPECT_EQ(plat_PeekMessage(&message), 0);
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST_F(Clock, CaptureWritesEveryFrameAsATopDownTga) {
    const auto dir = Dir() / "shots";  // created on the first frame
    const std::string dirText = dir.string();
    PlatOptions options{};
    options.captureDir = dirText.c_str();
    ASSERT_EQ(Configure(options), 0);
    ASSERT_EQ(plat_WantsFrameCapture(), 1);

    constexpr int kWidth = 5, kHeight = 3, kPitch = 20;  // rows padded beyond 15 bytes
    std::vector<uint8_t> pixels(kPitch * kHeight, 0xCC);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth * 3; ++x) pixels[y * kPitch + x] = static_cast<uint8_t>(y * 40 + x);
    plat_FramePresented(pixels.data(), kWidth, kHeight, kPitch);
    pixels[0] = 0xAB;
    plat_FramePresented(pixels.data(), kWidth, kHeight, kPitch);

    const auto first = ReadFile(dir / "frame00000.tga");
    const auto second = ReadFile(dir / "frame00001.tga");
    ASSERT_EQ(first.size(), 18u + kWidth * kHeight * 3);
    ASSERT_EQ(second.size(), first.size());
    EXPECT_EQ(first[1], 0);   // no colour map
    EXPECT_EQ(first[2], 2);   // uncompressed true colour
    EXPECT_EQ(first[12] | first[13] << 8, kWidth);
    EXPECT_EQ(first[14] | first[15] << 8, kHeight);
    EXPECT_EQ(first[16], 24);
    EXPECT_EQ(first[17] & 0x20, 0x20);  // top row first
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth * 3; ++x)
            EXPECT_EQ(first[18 + y * kWidth * 3 + x], y * 40 + x) << "row " << y << " byte " << x;
    EXPECT_EQ(second[18], 0xAB);
    EXPECT_FALSE(std::filesystem::exists(dir / "frame00002.tga"));
}

TEST_F(Clock, CaptureRefusesAFrameItCannotReadSafely) {
    const std::string dirText = Dir().string();
    PlatOptions options{};
    options.captureDir = dirText.c_str();
    ASSERT_EQ(Configure(options), 0);
    std::vector<uint8_t> pixels(16 * 4, 0);
    testing::internal::CaptureStderr();
    plat_FramePresented(pixels.data(), 16, 4, 16);  // pitch shorter than a row
    plat_FramePresented(nullptr, 16, 4, 48);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("Frame capture"), std::string::npos);
    EXPECT_EQ(plat_PresentedFrames(), 2);  // the frames still count
    EXPECT_FALSE(std::filesystem::exists(Dir() / "frame00000.tga"));
    EXPECT_FALSE(std::filesystem::exists(Dir() / "frame00001.tga"));
}

TEST_F(Clock, NoCaptureWithoutADirectory) {
    ASSERT_EQ(Configure({}), 0);
    EXPECT_EQ(plat_WantsFrameCapture(), 0);
}

}  // namespace
