// Whole-file loading, decimal number parsing and byte-pattern search.
#include "common/file_buffer.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/platform.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsExponentMark(char c) { return c == 'e' || c == 'E'; }

// An exponent is only taken when it starts right after the 'e': a digit, or a
// '-' followed by a digit. Anything else leaves the 'e' as ordinary text.
bool ExponentFollows(const char* afterMark) {
    if (IsDigit(afterMark[0])) return true;
    return afterMark[0] == '-' && IsDigit(afterMark[1]);
}

int64_t Clamp64(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// The integer reader shared by ParseInt and the exponents. allowExponent is
// false for an exponent's own digits, so "1e2e3" reads as 1e2 followed by text.
int ParseIntCore(const char* text, int& consumed, bool allowExponent) {
    int i = 0;
    // Stops at the terminating zero as well, so text without a number is safe.
    while (text[i] != '\0' && !IsDigit(text[i]) && text[i] != '-' && text[i] != ']') ++i;

    bool negative = false;
    if (text[i] == '-') {
        negative = true;
        ++i;
    }

    // Saturates instead of overflowing; the value is clamped to int below.
    constexpr int64_t kLimit = int64_t{INT_MAX} + 1;
    int64_t value = 0;
    while (IsDigit(text[i])) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit) value = kLimit;
        ++i;
    }

    if (allowExponent && IsExponentMark(text[i]) && ExponentFollows(text + i + 1)) {
        int exponentLength = 0;
        const int exponent = ParseIntCore(text + i + 1, exponentLength, false);
        i += 1 + exponentLength;
        if (exponent < 0) {
            for (int64_t k = 0; k < -int64_t{exponent} && value != 0; ++k)  // INT_MIN too
                value /= 10;
        } else {
            for (int k = 0; k < exponent && value != 0 && value < kLimit; ++k) value = Clamp64(value * 10, 0, kLimit);
        }
    }

    consumed = i;
    if (negative) return static_cast<int>(Clamp64(-value, INT_MIN, INT_MAX));
    return static_cast<int>(Clamp64(value, INT_MIN, INT_MAX));
}

// Shared by FindText and FindInBlock. Flag bit 0 clear also accepts the byte
// 32 places further in the pattern buffer (the caller's other-case copy).
int FindBytes(const uint8_t* pattern, int patternLength, const uint8_t* text, int textLength, int flags) {
    if (patternLength < 0 || textLength < 0 || textLength < patternLength) return -1;
    const bool exact = (flags & 1) != 0;
    for (int start = 0; start <= textLength - patternLength; ++start) {
        int k = patternLength - 1;
        for (; k >= 0; --k) {
            const uint8_t b = text[start + k];
            if (b == pattern[k]) continue;
            if (!exact && b == pattern[k + 32]) continue;
            break;
        }
        if (k < 0) return start;
    }
    return -1;
}

}  // namespace

// ---------------------------------------------------------------- FileBuffer

FileBuffer::FileBuffer() : fileName{}, size(0), data(nullptr), integerLength(0), realLength(0) {}

FileBuffer::~FileBuffer() { delete[] data; }

int FileBuffer::Load(const char* name) {
    if (name == nullptr) return -1;
    FILE* file = plat_OpenFile(name, "rb");
    if (file == nullptr) return -1;

    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    // A directory opens on Linux but has no readable length; treat it like
    // any other file that cannot be read whole.
    if (length < 0 || length > INT_MAX || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return -1;
    }

    Release();
    uint8_t* bytes = new (std::nothrow) uint8_t[length > 0 ? length : 1];
    if (bytes == nullptr) {
        std::fclose(file);
        return -1;
    }
    const size_t got = length > 0 ? std::fread(bytes, 1, static_cast<size_t>(length), file) : 0;
    std::fclose(file);

    if (got != static_cast<size_t>(length)) {
        char caption[64];
        std::snprintf(caption, sizeof caption, "%u/%d", static_cast<unsigned>(got), static_cast<int>(length));
        plat_MessageBox(nullptr, "Could not read requested number of bytes!", caption, PLAT_MB_OK);
        delete[] bytes;
        return -1;
    }

    if (length == 0) {
        // An empty file holds nothing: size 0 and no data.
        delete[] bytes;
        bytes = nullptr;
    }
    data = bytes;
    size = static_cast<int32_t>(length);
    std::snprintf(fileName, sizeof fileName, "%s", name);
    return 0;
}

int FileBuffer::Release() {
    delete[] data;
    data = nullptr;
    size = 0;
    integerLength = 0;
    realLength = 0;
    return 0;
}

int FileBuffer::ParseInt(const char* text) {
    int consumed = 0;
    return ParseInt(text, consumed);
}

int FileBuffer::ParseInt(const char* text, int& consumed) { return ParseIntCore(text, consumed, true); }

double FileBuffer::ParseFloat(const char* text) {
    int consumed = 0;
    return ParseFloat(text, consumed);
}

double FileBuffer::ParseFloat(const char* text, int& consumed) {
    int i = 0;
    // A number starts at a digit, a '-', or a '.' that is followed by a digit.
    while (text[i] != '\0' && !IsDigit(text[i]) && text[i] != '-' && !(text[i] == '.' && IsDigit(text[i + 1]))) ++i;

    bool negative = false;
    if (text[i] == '-') {
        negative = true;
        ++i;
    }

    // Whole and fraction digits are gathered in doubles, so long digit runs
    // lose precision instead of overflowing.
    double whole = 0.0;
    double fraction = 0.0;
    double scale = 1.0;
    bool seenPoint = false;
    while (IsDigit(text[i]) || (text[i] == '.' && !seenPoint)) {
        if (text[i] == '.') {
            seenPoint = true;
        } else if (seenPoint) {
            fraction = fraction * 10.0 + (text[i] - '0');
            scale *= 10.0;
        } else {
            whole = whole * 10.0 + (text[i] - '0');
        }
        ++i;
    }

    double value = whole + fraction / scale;
    if (IsExponentMark(text[i]) && ExponentFollows(text + i + 1)) {
        int exponentLength = 0;
        const int exponent = ParseIntCore(text + i + 1, exponentLength, false);
        i += 1 + exponentLength;
        value *= std::pow(10.0, exponent);
    } else if (text[i] != '\0') {
        // The character that ended the number is consumed with it, so numbers
        // separated by one character are read one after another; the
        // terminating zero never is.
        ++i;
    }

    consumed = i;
    return negative ? -value : value;
}

int FileBuffer::ParseIntHere(const char* text) {
    int consumed = 0;
    const int value = ParseInt(text, consumed);
    integerLength = consumed;
    return value;
}

double FileBuffer::ParseFloatHere(const char* text) {
    int consumed = 0;
    const double value = ParseFloat(text, consumed);
    realLength = consumed;
    return value;
}

// ---------------------------------------------------------------- search

int FindText(const char* pattern, const char* text, int flags) {
    if (pattern == nullptr || text == nullptr) return -1;
    const size_t patternLength = std::strlen(pattern);
    const size_t textLength = std::strlen(text);
    if (patternLength > INT_MAX || textLength > INT_MAX) return -1;
    return FindBytes(reinterpret_cast<const uint8_t*>(pattern), static_cast<int>(patternLength),
                     reinterpret_cast<const uint8_t*>(text), static_cast<int>(textLength), flags);
}

int FindInBlock(const uint8_t* pattern, int patternLength, const uint8_t* block, int blockLength, int flags) {
    if (pattern == nullptr || block == nullptr) return -1;
    return FindBytes(pattern, patternLength, block, blockLength, flags);
}

bool ChunkIdEquals(const void* a, const void* b) { return std::memcmp(a, b, 4) == 0; }

int ToUpperAscii(int c) { return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c; }
