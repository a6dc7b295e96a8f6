// The input library as the program uses it in a headless run: keyboard and
// mouse come from an input script, frames advance as they are presented.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "tessaly/input_api.h"
#include "tests/platform/platform_test_support.h"

namespace {

class ScriptedInput : public ::testing::Test {
protected:
    void Start(const char* script) {
        path_ = ::testing::TempDir() + "input_test_script.txt";
        FILE* file = std::fopen(path_.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs(script, file);
        std::fclose(file);
        PlatOptions options{};
        options.headless = 1;
        options.scriptPath = path_.c_str();
        ASSERT_EQ(plat_Configure(&options), 0);
        EXPECT_STREQ(T7I_Init(nullptr, nullptr), "T7I_Init Devices Created :  Keyboard  Mouse ");
    }
    void TearDown() override {
        T7I_DeInit();
        std::remove(path_.c_str());
    }
    // Updates, then presents the frame.
    static void Frame() {
        T7I_UpdateInput();
        plat_FramePresented(nullptr, 0, 0, 0);
    }

    std::string path_;
};

TEST_F(ScriptedInput, KeyIsPressedHeldAndReleased) {
    Start(
        "1 key F4 down\n"
        "3 key F4 up\n"
        "1 mouse 5 -3\n"
        "1 button 1 down\n"
        "2 button 1 up\n");
    T7I_UpdateInput();  // frame 0
    EXPECT_EQ(T7I_CheckKey(DIK_F4), 0);
    plat_FramePresented(nullptr, 0, 0, 0);

    T7I_UpdateInput();  // frame 1
    EXPECT_EQ(T7I_CheckKey(DIK_F4), 1);
    EXPECT_NE(T7I_GetKeyboardPointer()[DIK_F4], 0);
    EXPECT_EQ(T7I_GetOldKeyboardPointer()[DIK_F4], 0);
    EXPECT_EQ(T7I_CheckMouseAxis(0), 5);
    EXPECT_EQ(T7I_CheckMouseAxis(1), -3);
    EXPECT_EQ(T7I_CheckMouseAxis(3), 0);
    EXPECT_EQ(T7I_CheckMouseButton(1), 1);
    plat_FramePresented(nullptr, 0, 0, 0);

    T7I_UpdateInput();  // frame 2
    EXPECT_EQ(T7I_CheckKey(DIK_F4), 2);
    EXPECT_EQ(T7I_CheckMouseAxis(0), 0);  // movement is per read
    EXPECT_EQ(T7I_CheckMouseButton(1), 0);
    plat_FramePresented(nullptr, 0, 0, 0);

    T7I_UpdateInput();  // frame 3
    EXPECT_EQ(T7I_CheckKey(DIK_F4), 0);
    EXPECT_NE(T7I_GetOldKeyboardPointer()[DIK_F4], 0);
}

TEST_F(ScriptedInput, KeyDownAndUpBetweenUpdatesIsNeverSeen) {
    Start(
        "1 key GRAVE down\n"
        "2 key GRAVE up\n"
        "3 key A down\n");
    Frame();                                // frame 0
    plat_FramePresented(nullptr, 0, 0, 0);  // frame 1 passes without an update
    for (int frame = 2; frame < 5; ++frame) {
        T7I_UpdateInput();
        EXPECT_EQ(T7I_CheckKey(DIK_GRAVE), 0) << frame;
        plat_FramePresented(nullptr, 0, 0, 0);
    }
    EXPECT_EQ(T7I_CheckKey(DIK_A), 2);
}

TEST_F(ScriptedInput, WithoutScriptKeysStayUp) {
    ASSERT_EQ(platform_test::ConfigureHeadless(), 0);
    EXPECT_STREQ(T7I_Init(nullptr, nullptr), "T7I_Init Devices Created :  Keyboard  Mouse ");
    for (int i = 0; i < 3; ++i) Frame();
    const uint8_t* keys = T7I_GetKeyboardPointer();
    for (int k = 0; k < 256; ++k) EXPECT_EQ(keys[k], 0) << k;
    EXPECT_EQ(T7I_CheckMouseAxis(0), 0);
}

}  // namespace
