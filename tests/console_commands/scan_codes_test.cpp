// Keyboard states to console characters: the keys of every row, the shifted
// punctuation and the test order (a later newly pressed key wins).
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

TEST(ScanCodes, ShiftedPunctuationAndShiftBeforeRightAlt) {
    EXPECT_EQ(ShiftPress(11), ')');
    EXPECT_EQ(ShiftPress(39), ':');
    EXPECT_EQ(ShiftPress(51, kRightShift), '<');
    EXPECT_EQ(ShiftPress(12), '_');
    EXPECT_EQ(Press(12), 0);      // minus has a character only with Shift
    EXPECT_EQ(ShiftPress(43), 0);  // no shifted backslash key
    EXPECT_EQ(Keys().Pressed({kLeftShift, 30}).Translate(), 'A');  // Shift going down with the key
    EXPECT_EQ(Keys().Held({kRightAlt, kLeftShift}).Pressed({30}).Translate(), 'A');
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
    EXPECT_EQ(Keys().Pressed({44, 30}).Translate(), 'z');       // Z is tested after A
    EXPECT_EQ(Keys().Pressed({30, 2}).Translate(), '1');        // digits after letters
    EXPECT_EQ(Keys().Pressed({2, 11}).Translate(), '1');        // 0 is tested before 1
    EXPECT_EQ(Keys().Pressed({30, 57}).Translate(), ' ');       // the common keys last
    EXPECT_EQ(Keys().Held({kLeftShift}).Pressed({2, 30}).Translate(), 'A');  // shifted digits first
}

}  // namespace
