// Scan codes become characters on the frame their key goes down: Shift selects
// the upper row, right Alt with the grave key types a backslash.
#include "app/scan_codes.h"

#include <iterator>

namespace {

struct KeyChar {
    uint8_t code;
    char character;
};

// Letter keys in their test order, A to Z.
constexpr uint8_t kLetterCodes[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                      49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};

constexpr KeyChar kShiftedDigits[] = {{2, '!'}, {3, '@'}, {4, '#'}, {5, '$'},  {6, '%'},
                                      {7, '^'}, {8, '&'}, {9, '*'}, {10, '('}, {11, ')'}};
constexpr KeyChar kShiftedPunctuation[] = {{39, ':'}, {51, '<'}, {52, ':'}, {12, '_'}};
constexpr KeyChar kPlainDigitsAndPunctuation[] = {{11, '0'}, {2, '1'},   {3, '2'},  {4, '3'}, {5, '4'},
                                                  {6, '5'},  {7, '6'},   {8, '7'},  {9, '8'}, {10, '9'},
                                                  {39, ';'}, {43, '\\'}, {51, ','}, {52, '.'}};
constexpr KeyChar kAlways[] = {{78, '+'}, {74, '-'}, {55, '*'}, {181, '/'}, {26, '['}, {27, ']'}, {57, ' '}, {83, '.'}};

constexpr uint8_t kLeftShift = 42, kRightShift = 54, kRightAlt = 184, kGrave = 41;

}  // namespace

int TranslateScanCodes(const uint8_t* now, const uint8_t* before) {
    if (!now || !before) return 0;
    auto pressed = [&](uint8_t code) { return now[code] != 0 && before[code] == 0; };
    auto scan = [&](const KeyChar* table, size_t count, int& result) {
        for (size_t i = 0; i < count; ++i)
            if (pressed(table[i].code)) result = static_cast<unsigned char>(table[i].character);
    };
    auto letters = [&](char first, int& result) {
        for (int i = 0; i < 26; ++i)
            if (pressed(kLetterCodes[i])) result = first + i;
    };

    int result = 0;
    if (now[kLeftShift] || now[kRightShift]) {
        scan(kShiftedDigits, std::size(kShiftedDigits), result);
        letters('A', result);
        scan(kShiftedPunctuation, std::size(kShiftedPunctuation), result);
    } else if (now[kRightAlt]) {
        if (pressed(kGrave)) result = '\\';
    } else {
        letters('a', result);
        scan(kPlainDigitsAndPunctuation, std::size(kPlainDigitsAndPunctuation), result);
    }
    scan(kAlways, std::size(kAlways), result);
    return result;
}
