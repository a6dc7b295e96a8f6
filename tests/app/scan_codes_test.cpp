// Console characters from two keyboard states.
#include <gtest/gtest.h>

#include <cstring>

#include "app/scan_codes.h"

namespace {

struct Keys {
    uint8_t now[256] = {};
    uint8_t before[256] = {};
    Keys& Press(int code) {
        now[code] = 0x80;
        return *this;
    }
    Keys& Hold(int code) {
        now[code] = before[code] = 0x80;
        return *this;
    }
    int Char() const { return TranslateScanCodes(now, before); }
};

TEST(ScanCodes, LettersDigitsAndShiftedRow) {
    EXPECT_EQ(Keys().Press(30).Char(), 'a');
    EXPECT_EQ(Keys().Hold(42).Press(30).Char(), 'A');
    EXPECT_EQ(Keys().Hold(54).Press(44).Char(), 'Z');
    EXPECT_EQ(Keys().Press(11).Char(), '0');
    EXPECT_EQ(Keys().Press(2).Char(), '1');
    EXPECT_EQ(Keys().Hold(42).Press(2).Char(), '!');
    EXPECT_EQ(Keys().Hold(42).Press(52).Char(), ':');  // Shift with the period key
    EXPECT_EQ(Keys().Press(52).Char(), '.');
    EXPECT_EQ(Keys().Press(43).Char(), '\\');
    EXPECT_EQ(Keys().Hold(42).Press(57).Char(), ' ');  // keys of every state
}

TEST(ScanCodes, OnlyNewlyPressedKeysCountAndLaterKeysWin) {
    EXPECT_EQ(Keys().Hold(30).Char(), 0);
    EXPECT_EQ(Keys().Char(), 0);
    EXPECT_EQ(Keys().Press(30).Press(48).Char(), 'b');  // B is tested after A
    EXPECT_EQ(Keys().Press(30).Press(78).Char(), '+');  // the pad keys come last
}

TEST(ScanCodes, NumericPadAndBracketsWhateverTheModifier) {
    const struct {
        int code;
        char c;
    } keys[] = {{78, '+'}, {74, '-'}, {55, '*'}, {181, '/'}, {83, '.'}, {26, '['}, {27, ']'}};
    for (const auto& k : keys) {
        EXPECT_EQ(Keys().Press(k.code).Char(), k.c) << k.code;
        EXPECT_EQ(Keys().Hold(42).Press(k.code).Char(), k.c) << k.code;
        EXPECT_EQ(Keys().Hold(184).Press(k.code).Char(), k.c) << k.code;
    }
    // Shift picks its row before right Alt is looked at.
    EXPECT_EQ(Keys().Hold(184).Hold(42).Press(30).Char(), 'A');
    EXPECT_EQ(Keys().Hold(42).Press(12).Char(), '_');
    EXPECT_EQ(Keys().Press(12).Char(), 0);  // minus has a character only with Shift
}

TEST(ScanCodes, RightAltTypesBackslashWithGraveOnly) {
    EXPECT_EQ(Keys().Hold(184).Press(41).Char(), '\\');
    EXPECT_EQ(Keys().Hold(184).Press(30).Char(), 0);
    EXPECT_EQ(Keys().Press(41).Char(), 0);
    EXPECT_EQ(TranslateScanCodes(nullptr, nullptr), 0);
}

}  // namespace
