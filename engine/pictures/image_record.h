// The engine's own copy of a picture: sizes and pixels as the image plug-in
// reported them. Internal to libt7gfx.so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class ImageRecord {
public:
    ImageRecord();  // everything zero, no pixels
    ImageRecord(const ImageRecord&) = delete;
    ImageRecord& operator=(const ImageRecord&) = delete;

    // Frees the pixels and zeroes every other field.
    void Clear();
    // Clears the record, then allocates width x height x (bits / 8) bytes and
    // sets the three sizes. False (record left clear) for a non-positive side,
    // fewer than 8 bits or when memory runs out.
    bool Allocate(int w, int h, unsigned bits);
    // Bytes the pixels take: width x height x (bits / 8).
    size_t ByteCount() const;
    // A slot is free while it holds no pixels.
    bool Free() const { return pixels == nullptr; }

    int width;
    int height;
    unsigned bitsPerPixel;
    std::unique_ptr<uint8_t[]> pixels;
    char name[256];  // not used by the stores
};
