// Scripted input: parsing, the key state per presented frame, typing and key names.
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

// The keys that went down between two consecutive frames, as a reader
// comparing this frame with the last one sees them.
std::vector<int> NewlyPressed(const std::vector<uint8_t>& before, const std::vector<uint8_t>& now) {
    std::vector<int> codes;
    for (int code = 0; code < 256; ++code)
        if (now[code] && !before[code]) codes.push_back(code);
    return codes;
}

TEST_F(ScriptInput, KeysGoDownAndUpAtTheirFrames) {
    ASSERT_EQ(ConfigureWithScript("2 key F4 down\n"
                                  "5 key f4 UP\n"
                                  "3 key UP down\n"
                                  "3 key up up\n"  // same frame: the later line wins
                                  "4 key A down\n"),
              0);
    EXPECT_EQ(plat_HasScript(), 1);

    const auto f0 = KeysAt(0);
    for (uint8_t key : f0) EXPECT_EQ(key, 0);
    const auto f2 = KeysAt(2);
    EXPECT_NE(f2[kF4], 0);
    const auto f3 = KeysAt(3);
    EXPECT_NE(f3[kF4], 0);
    EXPECT_EQ(f3[kUp], 0);
    const auto f4 = KeysAt(4);
    EXPECT_NE(f4[kF4], 0);
    EXPECT_NE(f4[kA], 0);
    const auto f9 = KeysAt(9);
    EXPECT_EQ(f9[kF4], 0);
    EXPECT_NE(f9[kA], 0);  // never released
}

TEST_F(ScriptInput, SkippedFramesStillApplyEveryEarlierEvent) {
    ASSERT_EQ(ConfigureWithScript("1 key A down\n2 key B down\n3 key A up\n"), 0);
    const auto late = KeysAt(10);
    EXPECT_EQ(late[kA], 0);
    EXPECT_NE(late[kB], 0);
    // A new run starts the replay from the beginning again.
    ASSERT_EQ(ConfigureWithScript("0 key L down\n"), 0);
    const auto first = KeysAt(0);
    EXPECT_NE(first[kL], 0);
    EXPECT_EQ(first[kB], 0);
}

TEST_F(ScriptInput, TypedTextIsSeenOnceForEachCharacter) {
    ASSERT_EQ(ConfigureWithScript("10 type lL a-B\n"), 0);
    const std::vector<std::vector<int>> expected = {
        {kL}, {}, {kL, kShift}, {}, {0x39}, {}, {kA}, {}, {0x4A}, {}, {kShift, kB}, {}};
    auto before = KeysAt(9);
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto now = KeysAt(10 + static_cast<long>(i));
        EXPECT_EQ(NewlyPressed(before, now), expected[i]) << "frame " << 10 + i;
        if (i % 2 == 1) {
            for (uint8_t key : now) EXPECT_EQ(key, 0) << "frame " << 10 + i;
        }
        before = now;
    }
}

TEST_F(ScriptInput, TypedPunctuationUsesShiftWhereAUsKeyboardNeedsIt) {
    ASSERT_EQ(ConfigureWithScript("0 type :_(.\\\n"), 0);
    const std::vector<std::pair<int, bool>> expected = {{0x27, true}, {0x0C, true}, {0x0A, true}, {0x34, false},
                                                        {0x2B, false}};
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto keys = KeysAt(2 * static_cast<long>(i));
        EXPECT_NE(keys[expected[i].first], 0) << i;
        EXPECT_EQ(keys[kShift] != 0, expected[i].second) << i;
    }
}

TEST_F(ScriptInput, MouseMovementBelongsToItsFrameOnly) {
    ASSERT_EQ(ConfigureWithScript("3 mouse 5 -2\n"
                                  "3 mouse 1 1 4\n"
                                  "4 button 0 down\n"
                                  "6 button 0 up\n"),
              0);
    int dx = 9, dy = 9, dz = 9;
    uint8_t buttons[4] = {7, 7, 7, 7};
    platform_test::AdvanceTo(2);
    plat_ScriptMouse(&dx, &dy, &dz, buttons);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 0);
    EXPECT_EQ(dz, 0);
    EXPECT_EQ(buttons[0], 0);

    platform_test::AdvanceTo(3);
    plat_ScriptMouse(&dx, &dy, &dz, buttons);
    EXPECT_EQ(dx, 6);
    EXPECT_EQ(dy, -1);
    EXPECT_EQ(dz, 4);

    platform_test::AdvanceTo(5);
    plat_ScriptMouse(&dx, &dy, &dz, buttons);
    EXPECT_EQ(dx, 0);
    EXPECT_NE(buttons[0], 0);
    EXPECT_EQ(buttons[1], 0);
    platform_test::AdvanceTo(6);
    plat_ScriptMouse(nullptr, nullptr, nullptr, buttons);
    EXPECT_EQ(buttons[0], 0);
}

TEST_F(ScriptInput, BadLinesAreReportedWithTheirNumberAndSkipped) {
    testing::internal::CaptureStderr();
    const int result = ConfigureWithScript("# a comment\n"
                                           "\n"
                                           "   # an indented comment\r\n"
                                           "1 key A down\r\n"
                                           "x key B down\n"          // line 5
                                           "2 key NOSUCHKEY down\n"  // line 6
                                           "2 key B sideways\n"      // line 7
                                           "2 mouse 1\n"             // line 8
                                           "2 jump\n"                // line 9
                                           "-1 key B down\n"         // line 10
                                           "2 type caf\xC3\xA9\n"    // line 11: no key types it
                                           "2 key B down extra\n"    // line 12
                                           "3 key return down\n");
    const std::string errors = testing::internal::GetCapturedStderr();
    ASSERT_EQ(result, 0);
    for (int line = 5; line <= 12; ++line)
        EXPECT_NE(errors.find(":" + std::to_string(line) + ":"), std::string::npos) << "line " << line;
    EXPECT_EQ(errors.find(":4:"), std::string::npos);
    EXPECT_EQ(errors.find(":13:"), std::string::npos);

    const auto keys = KeysAt(3);
    EXPECT_NE(keys[kA], 0);
    EXPECT_NE(keys[kReturn], 0);
    EXPECT_EQ(keys[kB], 0);
    EXPECT_EQ(keys[0x2E], 0);  // nothing typed from the bad type line ('c' and 'f' stay up)
    EXPECT_EQ(keys[0x21], 0);
}

TEST_F(ScriptInput, MissingScriptFailsTheConfiguration) {
    PlatOptions options{};
    options.scriptPath = "/nonexistent/tessaly/input.script";
    testing::internal::CaptureStderr();
    EXPECT_EQ(Configure(options), -1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("/nonexistent/tessaly/input.script"), std::string::npos);
    EXPECT_EQ(plat_HasScript(), 0);
    const auto keys = KeysAt(0);
    for (uint8_t key : keys) EXPECT_EQ(key, 0);
}

TEST_F(ScriptInput, NoScriptMeansAllUpAndNoMovement) {
    ASSERT_EQ(Configure({}), 0);
    EXPECT_EQ(plat_HasScript(), 0);
    const auto keys = KeysAt(4);
    for (uint8_t key : keys) EXPECT_EQ(key, 0);
    int dx = 1, dy = 1, dz = 1;
    uint8_t buttons[4] = {1, 1, 1, 1};
    plat_ScriptMouse(&dx, &dy, &dz, buttons);
    EXPECT_EQ(dx | dy | dz | buttons[0] | buttons[1] | buttons[2] | buttons[3], 0);
}

TEST(KeyNames, MapToDirectInputScanCodesWithoutRegardToCase) {
    struct Case {
        const char* name;
        int code;
    };
    const Case cases[] = {
        {"ESCAPE", 0x01}, {"1", 0x02}, {"0", 0x0B}, {"minus", 0x0C}, {"BACK", 0x0E}, {"Q", 0x10},
        {"p", 0x19}, {"Return", 0x1C}, {"A", 0x1E}, {"l", 0x26}, {"GRAVE", 0x29}, {"LSHIFT", 0x2A},
        {"Z", 0x2C}, {"M", 0x32}, {"SLASH", 0x35}, {"RSHIFT", 0x36}, {"MULTIPLY", 0x37}, {"SPACE", 0x39},
        {"F1", 0x3B}, {"F4", 0x3E}, {"f10", 0x44}, {"F11", 0x57}, {"F12", 0x58}, {"NUMPAD7", 0x47},
        {"SUBTRACT", 0x4A}, {"ADD", 0x4E}, {"NUMPAD0", 0x52}, {"DECIMAL", 0x53}, {"NUMPADENTER", 0x9C},
        {"RCONTROL", 0x9D}, {"DIVIDE", 0xB5}, {"SYSRQ", 0xB7}, {"RMENU", 0xB8}, {"PAUSE", 0xC5},
        {"HOME", 0xC7}, {"UP", 0xC8}, {"PRIOR", 0xC9}, {"LEFT", 0xCB}, {"RIGHT", 0xCD}, {"END", 0xCF},
        {"DOWN", 0xD0}, {"NEXT", 0xD1}, {"INSERT", 0xD2}, {"Delete", 0xD3}, {"LWIN", 0xDB},
        {"RWIN", 0xDC}, {"APPS", 0xDD}, {"DIK_F3", 0x3D},
    };
    for (const Case& c : cases) EXPECT_EQ(plat_KeyCodeFromName(c.name), c.code) << c.name;
    EXPECT_EQ(plat_KeyCodeFromName("F13"), -1);
    EXPECT_EQ(plat_KeyCodeFromName(""), -1);
    EXPECT_EQ(plat_KeyCodeFromName("DIK_"), -1);
    EXPECT_EQ(plat_KeyCodeFromName(nullptr), -1);
}

}  // namespace
