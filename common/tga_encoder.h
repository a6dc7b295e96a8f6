// Uncompressed true-colour TGA files (image type 2): the one encoder behind
// every TGA the project writes (screenshots, captured frames, the demo's
// pictures). Self-contained: the platform library links it too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

constexpr int kTgaHeaderSize = 18;

// How the file stores the picture.
struct TgaLayout {
    int width = 0;          // 1..65535
    int height = 0;         // 1..65535
    int bits = 24;          // 24, or 32 keeping the source's fourth byte as alpha
    bool topFirst = false;  // rows stored top first (else bottom first)
};

// Receives the file's bytes in order; false stops the encoding.
using TgaSink = bool (*)(void* context, const uint8_t* data, size_t size);

// Encodes pixels given as rows top to bottom, pitch bytes apart, each pixel
// bytesPerPixel (3 or 4) bytes in the order blue, green, red(, alpha). The
// header goes to sink first, then one row at a time. For 32 bits the source
// must have 4 bytes a pixel. False when the layout is not one of these or the
// sink refused a write.
bool EncodeTga(const uint8_t* pixels, int bytesPerPixel, int pitch, const TgaLayout& layout, TgaSink sink,
               void* context);

// EncodeTga into an open file; false when a write fails (errno tells why).
bool WriteTga(std::FILE* file, const uint8_t* pixels, int bytesPerPixel, int pitch, const TgaLayout& layout);

// EncodeTga into memory; empty for a layout EncodeTga refuses.
std::vector<uint8_t> TgaBytes(const uint8_t* pixels, int bytesPerPixel, int pitch, const TgaLayout& layout);
