// Line and number reading over the text of a scene file. Nothing here copies
// into fixed buffers: lines and words are views into the loaded text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lws {

// Hands out the lines of a text one at a time, without their line ends (LF or
// CR LF) and without leading and trailing blanks.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    bool Next(std::string_view& line);  // false at the end of the text
    size_t Position() const { return pos_; }
    void Rewind(size_t position) { pos_ = position; }  // back to a value Position() gave

private:
    std::string_view text_;
    size_t pos_ = 0;
};

std::string_view Trim(std::string_view text);

// The first blank-separated word of text; rest receives what follows it, trimmed.
std::string_view FirstWord(std::string_view text, std::string_view& rest);

// One finite decimal number filling the whole word ("12", "-0.5", "1e-3").
bool ReadNumber(std::string_view word, double& out);

// Reads the leading numbers of a line into out, at most maxCount of them, and
// stops at the first word that is not a finite number. Returns how many it read.
int ReadNumbers(std::string_view line, double* out, int maxCount);

// A line that holds exactly one integer (a count in a motion block). Negative
// values give 0 and values beyond int saturate, so a count is only ever an
// upper bound for what the caller then finds in the file.
bool ReadCountLine(std::string_view line, int& out);

// An item id of 1 to 8 hexadecimal digits ("10000002").
bool ReadItemId(std::string_view word, uint32_t& out);

}  // namespace lws
