// Scripted input: the key state per presented frame, typing, the mouse, bad
// lines and key names.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/platform/platform_test_support.h"

namespace {

constexpr int kA = 0x1E, kB = 0x30, kL = 0x26, kShift = 0x2A, kF4 = 0x3E, kUp = 0xC8, kReturn = 0x1C;

using ScriptInput = platform_test::HeadlessRun;

std::vector<uint8_t> KeysAt(long frame) {
    platform_test::AdvanceTo(frame);
    std::vector<uint8_t> keys(256, 0xEE);
    plat_ScriptKeys(keys.data());
    return keys;
}

TEST_F(ScriptInput, KeysGoDownAndUpAtTheirFrames) {
    ASSERT_EQ(ConfigureWithScript("2 key F4 down\n5 key f4 UP\n"
                                  "3 key UP down\n3 key up up\n"  // same frame: the later line wins
                                  "4 key A down\n"),
              0);
    EXPECT_EQ(plat_HasScript(), 1);
    EXPECT_EQ(KeysAt(0), std::vector<uint8_t>(256, 0));
    EXPECT_NE(KeysAt(2)[kF4], 0);
    EXPECT_EQ(KeysAt(3)[kUp], 0);
    const auto late = KeysAt(9);  // frames skipped in between still apply
    EXPECT_EQ(late[kF4], 0);
    EXPECT_NE(late[kA], 0);

    ASSERT_EQ(ConfigureWithScript("0 key L down\n"), 0);  // a new run replays from the start
    const auto first = KeysAt(0);
    EXPECT_NE(first[kL], 0);
    EXPECT_EQ(first[kA], 0);
}

TEST_F(ScriptInput, TypedTextIsSeenOnceForEachCharacter) {
    ASSERT_EQ(ConfigureWithScript("10 type lL a-B:.\n"), 0);
    // Keys newly down at frames 10, 11, 12, ...: one character every second frame.
    const std::vector<std::vector<int>> expected = {{kL},   {}, {kL, kShift}, {}, {0x39},         {}, {kA},   {},
                                                    {0x4A}, {}, {kShift, kB}, {}, {0x27, kShift}, {}, {0x34}, {}};
    auto before = KeysAt(9);
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto now = KeysAt(10 + static_cast<long>(i));
        std::vector<int> pressed;
        for (int code = 0; code < 256; ++code)
            if (now[code] && !before[code]) pressed.push_back(code);
        EXPECT_EQ(pressed, expected[i]) << "frame " << 10 + i;
        if (i % 2 == 1) {
            EXPECT_EQ(now, std::vector<uint8_t>(256, 0)) << "frame " << 10 + i;
        }
        before = now;
    }
}

TEST_F(ScriptInput, MouseMovementBelongsToItsFrameOnly) {
    ASSERT_EQ(ConfigureWithScript("3 mouse 5 -2\n3 mouse 1 1 4\n4 button 0 down\n6 button 0 up\n"), 0);
    int move[3] = {9, 9, 9};
    uint8_t buttons[4] = {7, 7, 7, 7};
    platform_test::AdvanceTo(3);
    plat_ScriptMouse(&move[0], &move[1], &move[2], buttons);
    EXPECT_EQ(move[0], 6);
    EXPECT_EQ(move[1], -1);
    EXPECT_EQ(move[2], 4);
    EXPECT_EQ(buttons[0], 0);
    platform_test::AdvanceTo(5);
    plat_ScriptMouse(&move[0], &move[1], &move[2], buttons);
    EXPECT_EQ(move[0] | move[1] | move[2], 0);
    EXPECT_NE(buttons[0], 0);
    EXPECT_EQ(buttons[1], 0);
    platform_test::AdvanceTo(6);
    plat_ScriptMouse(nullptr, nullptr, nullptr, buttons);
    EXPECT_EQ(buttons[0], 0);
}

TEST_F(ScriptInput, BadLinesAreReportedWithTheirNumberAndSkipped) {
    testing::internal::CaptureStderr();
    const int result = ConfigureWithScript(
        "# a comment\n\n   # an indented comment\r\n1 key A down\r\n"
        "x key B down\n2 key NOSUCHKEY down\n2 key B sideways\n2 mouse 1\n"  // lines 5 to 8
        "2 jump\n-1 key B down\n2 type caf\xC3\xA9\n2 key B down extra\n"    // lines 9 to 12
        "3 key return down\n");
    const std::string errors = testing::internal::GetCapturedStderr();
    ASSERT_EQ(result, 0);
    for (int line = 1; line <= 13; ++line)
        EXPECT_EQ(errors.find(":" + std::to_string(line) + ":") != std::string::npos, line >= 5 && line <= 12)
            << "line " << line;
    const auto keys = KeysAt(3);
    EXPECT_NE(keys[kA], 0);
    EXPECT_NE(keys[kReturn], 0);
    EXPECT_EQ(keys[kB] | keys[0x2E], 0);  // nothing from the bad lines, not even the 'c' of "café"
}

TEST_F(ScriptInput, WithoutAReadableScriptEverythingStaysUp) {
    PlatOptions options{};
    options.scriptPath = "/nonexistent/tessaly/input.script";
    testing::internal::CaptureStderr();
    EXPECT_EQ(Configure(options), -1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("/nonexistent/tessaly/input.script"), std::string::npos);
    EXPECT_EQ(plat_HasScript(), 0);
    EXPECT_EQ(KeysAt(4), std::vector<uint8_t>(256, 0));
    int dx = 1, dy = 1, dz = 1;
    plat_ScriptMouse(&dx, &dy, &dz, nullptr);
    EXPECT_EQ(dx | dy | dz, 0);
}

TEST(KeyNames, MapToDirectInputScanCodesWithoutRegardToCase) {
    const std::pair<const char*, int> cases[] = {
        {"ESCAPE", 0x01},  {"0", 0x0B},           {"back", 0x0E},   {"Return", 0x1C}, {"GRAVE", 0x29},
        {"M", 0x32},       {"MULTIPLY", 0x37},    {"F4", 0x3E},     {"f10", 0x44},    {"F11", 0x57},
        {"NUMPAD0", 0x52}, {"NUMPADENTER", 0x9C}, {"DIVIDE", 0xB5}, {"RMENU", 0xB8},  {"PAUSE", 0xC5},
        {"UP", 0xC8},      {"PRIOR", 0xC9},       {"NEXT", 0xD1},   {"Delete", 0xD3}, {"APPS", 0xDD},
        {"DIK_F3", 0x3D},  {"F13", -1},           {"", -1},         {"DIK_", -1}};
    for (const auto& [name, code] : cases) EXPECT_EQ(plat_KeyCodeFromName(name), code) << name;
    EXPECT_EQ(plat_KeyCodeFromName(nullptr), -1);
}

}  // namespace
