// Keyboard states to console characters: a key counts on the frame it goes
// down, Shift and right Alt choose the row, and a later key in the test order
// wins over an earlier one.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "app/scan_codes.h"

namespace {

constexpr uint8_t kLeftShift = 42, kRightShift = 54, kRightAlt = 184;

struct Keys {
    uint8_t now[256] = {};
    uint8_t before[256] = {};

    // Keys held since the previous frame.
    Keys& Held(std::initializer_list<int> codes) {
        for (int code : codes) now[code] = before[code] = 0x80;
        return *this;
    }
    // Keys going down in this frame.
    Keys& Pressed(std::initializer_list<int> codes) {
        for (int code : codes) now[code] = 0x80;
        return *this;
    }
    int Translate() const { return TranslateScanCodes(now, before); }
};

int Press(int code) { return Keys().Pressed({code}).Translate(); }
int ShiftPress(int code, uint8_t shift = kLeftShift) { return Keys().Held({shift}).Pressed({code}).Translate(); }

TEST(ScanCodes, PlainKeys) {
    EXPECT_EQ(Press(30), 'a');
    EXPECT_EQ(Press(44), 'z');
    EXPECT_EQ(Press(11), '0');
    EXPECT_EQ(Press(2), '1');
    EXPECT_EQ(Press(10), '9');
    EXPECT_EQ(Press(39), ';');
    EXPECT_EQ(Press(43), '\\');
    EXPECT_EQ(Press(51), ',');
    EXPECT_EQ(Press(52), '.');
    EXPECT_EQ(Press(12), 0);  // minus has a character only with Shift
    EXPECT_EQ(Press(41), 0);  // the grave key toggles the console instead
    EXPECT_EQ(Press(0x1C), 0);
}

TEST(ScanCodes, OnlyNewlyPressedKeysCount) {
    EXPECT_EQ(Keys().Held({30}).Translate(), 0);
    EXPECT_EQ(Keys().Translate(), 0);
    EXPECT_EQ(TranslateScanCodes(nullptr, nullptr), 0);
}

TEST(ScanCodes, ShiftGivesTheUpperRow) {
    EXPECT_EQ(ShiftPress(30), 'A');
    EXPECT_EQ(ShiftPress(44, kRightShift), 'Z');
    EXPECT_EQ(ShiftPress(2), '!');
    EXPECT_EQ(ShiftPress(11), ')');
    EXPECT_EQ(ShiftPress(39), ':');
    EXPECT_EQ(ShiftPress(52), ':');  // the period key too
    EXPECT_EQ(ShiftPress(51), '<');
    EXPECT_EQ(ShiftPress(12), '_');
    EXPECT_EQ(ShiftPress(43), 0);    // no shifted backslash key
    // Shift pressed in the same frame as the key counts as held.
    EXPECT_EQ(Keys().Pressed({kLeftShift, 30}).Translate(), 'A');
}

TEST(ScanCodes, RightAltTypesOnlyTheBackslash) {
    EXPECT_EQ(Keys().Held({kRightAlt}).Pressed({41}).Translate(), '\\');
    EXPECT_EQ(Keys().Held({kRightAlt}).Pressed({30}).Translate(), 0);
    EXPECT_EQ(Keys().Held({kRightAlt, kLeftShift}).Pressed({30}).Translate(), 'A');  // Shift comes first
}

TEST(ScanCodes, NumericPadAndBracketsInEveryRow) {
    const struct {
        int code;
        int character;
    } always[] = {{78, '+'}, {74, '-'}, {55, '*'}, {181, '/'}, {26, '['}, {27, ']'}, {57, ' '}, {83, '.'}};
    for (const auto& key : always) {
        EXPECT_EQ(Press(key.code), key.character) << key.code;
        EXPECT_EQ(ShiftPress(key.code), key.character) << key.code;
        EXPECT_EQ(Keys().Held({kRightAlt}).Pressed({key.code}).Translate(), key.character) << key.code;
    }
}

TEST(ScanCodes, ALaterKeyInTheOrderWins) {
    EXPECT_EQ(Keys().Pressed({30, 48}).Translate(), 'b');       // A then B
    EXPECT_EQ(Keys().Pressed({44, 30}).Translate(), 'z');       // Z is tested after A
    EXPECT_EQ(Keys().Pressed({30, 2}).Translate(), '1');        // digits after letters
    EXPECT_EQ(Keys().Pressed({2, 11}).Translate(), '1');        // 0 is tested before 1
    EXPECT_EQ(Keys().Pressed({30, 57}).Translate(), ' ');       // the common keys last
    EXPECT_EQ(Keys().Held({kLeftShift}).Pressed({2, 30}).Translate(), 'A');  // shifted digits first
}

}  // namespace
