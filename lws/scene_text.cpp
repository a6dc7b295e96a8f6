// Line and number reading over the text of a scene file.
#include "lws/scene_text.h"

#include <charconv>
#include <climits>
#include <cmath>

namespace lws {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool LineReader::Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    line = Trim(text_.substr(pos_, end - pos_));
    pos_ = end < text_.size() ? end + 1 : end;
    return true;
}

std::string_view Trim(std::string_view text) {
    size_t begin = 0;
    while (begin < text.size() && IsBlank(text[begin])) ++begin;
    size_t end = text.size();
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::string_view FirstWord(std::string_view text, std::string_view& rest) {
    text = Trim(text);
    size_t end = 0;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    rest = Trim(text.substr(end));
    return text.substr(0, end);
}

bool ReadNumber(std::string_view word, double& out) {
    if (!word.empty() && word.front() == '+') word.remove_prefix(1);
    if (word.empty()) return false;
    // from_chars would also take "nan" and "inf"; a scene only ever holds
    // plain decimals, so the word has to start like one.
    const char first = word.front();
    const bool startsLikeNumber =
        IsDigit(first) || ((first == '-' || first == '.') && word.size() > 1 && (IsDigit(word[1]) || word[1] == '.'));
    if (!startsLikeNumber) return false;
    double value = 0.0;
    const char* end = word.data() + word.size();
    const auto result = std::from_chars(word.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) return false;
    out = value;
    return true;
}

int ReadNumbers(std::string_view line, double* out, int maxCount) {
    int count = 0;
    std::string_view rest = line;
    while (count < maxCount) {
        const std::string_view word = FirstWord(rest, rest);
        if (word.empty() || !ReadNumber(word, out[count])) break;
        ++count;
    }
    return count;
}

bool ReadCountLine(std::string_view line, int& out) {
    std::string_view rest;
    std::string_view word = FirstWord(line, rest);
    if (word.empty() || !rest.empty()) return false;
    bool negative = false;
    if (word.front() == '-' || word.front() == '+') {
        negative = word.front() == '-';
        word.remove_prefix(1);
    }
    if (word.empty()) return false;
    long long value = 0;
    for (char c : word) {
        if (!IsDigit(c)) return false;
        if (value < INT_MAX) value = value * 10 + (c - '0');
    }
    if (negative) value = 0;
    out = value > INT_MAX ? INT_MAX : static_cast<int>(value);
    return true;
}

bool ReadItemId(std::string_view word, uint32_t& out) {
    if (word.empty() || word.size() > 8) return false;
    uint32_t value = 0;
    for (char c : word) {
        int digit = 0;
        if (IsDigit(c))
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    out = value;
    return true;
}

}  // namespace lws
