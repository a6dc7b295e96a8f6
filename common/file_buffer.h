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

    static int ParseInt(const char* text);
    static int ParseInt(const char* text, int& consumed);
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
// exact bytes; clear: a byte also matches the pattern byte 32 places further.
int FindText(const char* pattern, const char* text, int flags);
int FindInBlock(const uint8_t* pattern, int patternLength, const uint8_t* block, int blockLength,
                int flags);
bool ChunkIdEquals(const void* a, const void* b);
int ToUpperAscii(int c);
