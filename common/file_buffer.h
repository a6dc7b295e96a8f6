// Whole-file loader with decimal number parsing and byte-pattern search.
#pragma once

#include <cstddef>
#include <cstdint>

class FileBuffer {
public:
    FileBuffer();
    virtual ~FileBuffer();

    // Reads the whole file with one read. 0 on success, -1 on failure (the
    // buffer is then left as it was for a missing file, empty after a short read).
    int Load(const char* fileName);
    int Release();  // frees the data, zeroes size and lengths, returns 0

    // Decimal readers over zero-terminated text; they never read past the zero.
    // ParseInt skips to the first digit, '-' or ']' and reads an optional sign,
    // digits and an exponent ("12e3", "15e-1"); consumed counts the skipped
    // characters, the sign, the digits and the exponent with its 'e'. Stopping
    // at ']' before any digit gives 0 with consumed = the skipped characters.
    // Values beyond int saturate. No number at all gives 0.
    static int ParseInt(const char* text);
    static int ParseInt(const char* text, int& consumed);
    // ParseFloat skips to the first digit, '-' or '.'-before-a-digit and reads
    // sign, digits, one '.', fraction digits and an exponent; consumed also
    // covers the one character that ended the number (never the terminating zero).
    static double ParseFloat(const char* text);
    static double ParseFloat(const char* text, int& consumed);

    // Parses from text and records the consumed length in integerLength /
    // realLength.
    int ParseIntHere(const char* text);
    double ParseFloatHere(const char* text);

    char fileName[512];
    int32_t size;
    uint8_t* data;
    int32_t integerLength;
    int32_t realLength;
};

// Index of the first occurrence of pattern in text, or -1. Flag bit 0 set:
// exact bytes; clear: a byte also matches the pattern byte 32 places further,
// so a case-blind caller passes a buffer of at least patternLength + 32 bytes
// holding the pattern in one case at 0 and in the other case at 32 (patterns
// of at most 32 characters). An empty pattern is found at 0.
int FindText(const char* pattern, const char* text, int flags);
int FindInBlock(const uint8_t* pattern, int patternLength, const uint8_t* block, int blockLength, int flags);
bool ChunkIdEquals(const void* a, const void* b);
int ToUpperAscii(int c);
