// The input library's own logic over fake devices: set-up texts and the
// failure path, the two-frame window, re-acquiring after lost input, and the
// keyboard table of the real devices.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "fake_devices.h"
#include "input/scan_codes.h"
#include "platform/platform.h"
#include "tessaly/input_api.h"

namespace {

constexpr uint8_t kDown = 0x80;

class InputLogic : public ::testing::Test {
protected:
    void SetUp() override {
        PlatOptions options{};
        options.headless = 1;  // message boxes only go to standard error
        plat_Configure(&options);
        g_fakeInput = FakeInput{};
        g_fakeInput.keyboard.state.assign(256, 0);
        g_fakeInput.mouse.state.assign(16, 0);
        g_fakeInput.joystick.state.assign(80, 0);
    }
    void TearDown() override { T7I_DeInit(); }

    static void SetMouse(int32_t x, int32_t y, int32_t z, uint8_t left) {
        MouseState mouse{x, y, z, {left, 0, 0, 0}};
        std::memcpy(g_fakeInput.mouse.state.data(), &mouse, sizeof mouse);
    }
};

TEST_F(InputLogic, InitNamesTheCreatedDevices) {
    EXPECT_STREQ(T7I_Init(nullptr, nullptr), "T7I_Init Devices Created :  Keyboard  Mouse  Joystick ");
    EXPECT_TRUE(g_fakeInput.keyboard.exclusive);
    EXPECT_EQ(g_fakeInput.joystick.acquireCalls, 1);
    T7I_DeInit();

    g_fakeInput.joystick.present = false;
    g_fakeInput.mouse.exclusiveResult = kInputErrGeneric;  // falls back to shared use
    EXPECT_STREQ(T7I_Init(nullptr, nullptr), "T7I_Init Devices Created :  Keyboard  Mouse ");
    EXPECT_FALSE(g_fakeInput.mouse.exclusive);
    T7I_DeInit();

    g_fakeInput.keyboard.present = false;
    EXPECT_STREQ(T7I_Init(nullptr, nullptr), "T7I_Init Devices Created :  Mouse ");
}

TEST_F(InputLogic, FailedCreationReportsTheResultText) {
    g_fakeInput.createResult = kInputErrGeneric;
    EXPECT_STREQ(T7I_Init(nullptr, nullptr), "T7I_Init DICreate Error : Generic failure.");
    EXPECT_EQ(T7I_UpdateInput(), kInputOk);  // nothing to read
    EXPECT_EQ(T7I_CheckKey(DIK_A), 0);
}

using InputLogicDeathTest = InputLogic;

TEST_F(InputLogicDeathTest, FailedSetUpStepShowsItsCaptionAndFails) {
    g_fakeInput.mouse.exclusiveResult = kInputErrGeneric;
    g_fakeInput.mouse.sharedResult = kInputErrInvalidParam;
    EXPECT_EXIT(T7I_Init(nullptr, nullptr), ::testing::ExitedWithCode(1),
                "Setting DI Non Exclusive mode\\(Mouse\\): One or more of the parameters");
    g_fakeInput = FakeInput{};
    g_fakeInput.mouse.formatResult = kInputErrInvalidParam;
    EXPECT_EXIT(T7I_Init(nullptr, nullptr), ::testing::ExitedWithCode(1), "Setting DI Mouse Data Format: ");
    g_fakeInput = FakeInput{};
    g_fakeInput.joystick.acquireResults = {static_cast<int32_t>(0x80040209)};
    EXPECT_EXIT(T7I_Init(nullptr, nullptr), ::testing::ExitedWithCode(1),
                "Acquiring DI Device: Unrecognized error value.");
}

TEST_F(InputLogic, KeysAndButtonsArePressedHeldAndReleased) {
    T7I_Init(nullptr, nullptr);
    uint8_t* keys = T7I_GetKeyboardPointer();
    uint8_t* oldKeys = T7I_GetOldKeyboardPointer();

    g_fakeInput.keyboard.state[DIK_F4] = kDown;
    SetMouse(5, -7, 120, kDown);
    EXPECT_EQ(T7I_UpdateInput(), kInputOk);
    EXPECT_EQ(T7I_CheckKey(DIK_F4), 1);
    EXPECT_EQ(T7I_CheckMouseButton(0), 1);
    EXPECT_EQ(T7I_CheckMouseAxis(0), 5);
    EXPECT_EQ(T7I_CheckMouseAxis(1), -7);
    EXPECT_EQ(T7I_CheckMouseAxis(2), 120);
    EXPECT_EQ(T7I_CheckMouseAxis(3), 0);
    EXPECT_EQ(T7I_CheckMouseAxis(-1), 0);
    EXPECT_EQ(keys[DIK_F4], kDown);
    EXPECT_EQ(oldKeys[DIK_F4], 0);

    SetMouse(0, 0, 0, kDown);
    T7I_UpdateInput();
    EXPECT_EQ(T7I_CheckKey(DIK_F4), 2);
    EXPECT_EQ(T7I_CheckMouseButton(0), 2);
    EXPECT_EQ(T7I_CheckMouseAxis(0), 0);
    EXPECT_EQ(oldKeys[DIK_F4], kDown);

    g_fakeInput.keyboard.state[DIK_F4] = 0;
    SetMouse(0, 0, 0, 0);
    T7I_UpdateInput();
    EXPECT_EQ(T7I_CheckKey(DIK_F4), 0);
    EXPECT_EQ(T7I_CheckMouseButton(0), 0);

    // Numbers outside the tables are simply up.
    EXPECT_EQ(T7I_CheckKey(-1), 0);
    EXPECT_EQ(T7I_CheckKey(256), 0);
    EXPECT_EQ(T7I_CheckMouseButton(4), 0);
    EXPECT_EQ(g_fakeInput.joystick.readCalls, 3);  // read every frame, though not exposed
}

TEST_F(InputLogic, LostInputIsReacquiredAndReadsAllUpForThatFrame) {
    T7I_Init(nullptr, nullptr);
    g_fakeInput.keyboard.state[DIK_UP] = kDown;
    g_fakeInput.keyboard.readResults = {kInputErrInputLost};
    EXPECT_EQ(T7I_UpdateInput(), kInputOk);
    EXPECT_EQ(g_fakeInput.keyboard.acquireCalls, 2);
    EXPECT_EQ(T7I_CheckKey(DIK_UP), 0);
    EXPECT_EQ(g_fakeInput.mouse.readCalls, 1);
    T7I_UpdateInput();
    EXPECT_EQ(T7I_CheckKey(DIK_UP), 1);
    T7I_UpdateInput();
    EXPECT_EQ(T7I_CheckKey(DIK_UP), 2);
}

TEST_F(InputLogic, FailedReacquireEndsTheUpdate) {
    T7I_Init(nullptr, nullptr);
    g_fakeInput.mouse.readResults = {kInputErrNotAcquired};
    g_fakeInput.mouse.acquireResults = {kInputErrAccessDenied};
    SetMouse(9, 9, 0, kDown);
    EXPECT_EQ(T7I_UpdateInput(), kInputErrAccessDenied);
    EXPECT_EQ(g_fakeInput.keyboard.readCalls, 1);
    EXPECT_EQ(g_fakeInput.joystick.readCalls, 0);  // not reached this frame
    EXPECT_EQ(T7I_CheckMouseAxis(0), 0);
    EXPECT_EQ(T7I_UpdateInput(), kInputOk);  // the next read finds it acquired again
    EXPECT_EQ(g_fakeInput.joystick.readCalls, 1);
    EXPECT_EQ(T7I_CheckMouseAxis(0), 9);
}

TEST(ScanCodes, EveryPcKeyMapsOnce) {
    std::set<int> sdl;
    std::multiset<int> dik;
    for (const ScanCodePair& pair : ScanCodePairs()) {
        EXPECT_TRUE(sdl.insert(pair.sdl).second) << "SDL scancode twice: " << pair.sdl;
        EXPECT_NE(pair.dik, 0);
        dik.insert(pair.dik);
    }
    for (int code : dik) {
        if (code == DIK_BACKSLASH) continue;  // shared with the ISO key beside Return
        EXPECT_EQ(dik.count(code), 1u) << "scan code twice: " << code;
    }
    auto dikOf = [](SDL_Scancode s) {
        for (const ScanCodePair& pair : ScanCodePairs())
            if (pair.sdl == s) return static_cast<int>(pair.dik);
        return -1;
    };
    EXPECT_EQ(dikOf(SDL_SCANCODE_RALT), DIK_RMENU);
    EXPECT_EQ(dikOf(SDL_SCANCODE_UP), DIK_UP);
    EXPECT_EQ(dikOf(SDL_SCANCODE_DOWN), DIK_DOWN);
    EXPECT_EQ(dikOf(SDL_SCANCODE_LEFT), DIK_LEFT);
    EXPECT_EQ(dikOf(SDL_SCANCODE_RIGHT), DIK_RIGHT);
    EXPECT_EQ(dikOf(SDL_SCANCODE_DELETE), DIK_DELETE);
    EXPECT_EQ(dikOf(SDL_SCANCODE_GRAVE), DIK_GRAVE);
    EXPECT_EQ(dikOf(SDL_SCANCODE_KP_DIVIDE), DIK_DIVIDE);
    EXPECT_EQ(dikOf(SDL_SCANCODE_KP_PERIOD), DIK_DECIMAL);

    // Every key the input script can name is one the keyboard can deliver.
    const char* names[] = {"ESCAPE",      "1",         "0",          "MINUS",    "EQUALS",   "BACK",      "TAB",
                           "Q",           "P",         "LBRACKET",   "RBRACKET", "RETURN",   "LCONTROL",  "A",
                           "L",           "SEMICOLON", "APOSTROPHE", "GRAVE",    "LSHIFT",   "BACKSLASH", "Z",
                           "M",           "COMMA",     "PERIOD",     "SLASH",    "RSHIFT",   "MULTIPLY",  "LMENU",
                           "SPACE",       "CAPITAL",   "F1",         "F10",      "F11",      "F12",       "NUMLOCK",
                           "SCROLL",      "NUMPAD0",   "NUMPAD1",    "NUMPAD2",  "NUMPAD3",  "NUMPAD4",   "NUMPAD5",
                           "NUMPAD6",     "NUMPAD7",   "NUMPAD8",    "NUMPAD9",  "SUBTRACT", "ADD",       "DECIMAL",
                           "NUMPADENTER", "RCONTROL",  "DIVIDE",     "SYSRQ",    "RMENU",    "PAUSE",     "HOME",
                           "UP",          "PRIOR",     "LEFT",       "RIGHT",    "END",      "DOWN",      "NEXT",
                           "INSERT",      "DELETE",    "LWIN",       "RWIN",     "APPS"};
    for (const char* name : names) {
        const int code = plat_KeyCodeFromName(name);
        ASSERT_GT(code, 0) << name;
        EXPECT_GT(dik.count(code), 0u) << name;
    }
}

}  // namespace
