// The engine's copy of a picture.
#include "engine/pictures/image_record.h"

#include <cstring>
#include <new>

ImageRecord::ImageRecord() : width(0), height(0), bitsPerPixel(0), name{} {}

void ImageRecord::Clear() {
    pixels.reset();
    width = 0;
    height = 0;
    bitsPerPixel = 0;
    std::memset(name, 0, sizeof name);
}

size_t ImageRecord::ByteCount() const {
    if (width <= 0 || height <= 0) return 0;
    return size_t(width) * size_t(height) * (bitsPerPixel / 8);
}

bool ImageRecord::Allocate(int w, int h, unsigned bits) {
    Clear();
    if (w <= 0 || h <= 0 || bits < 8) return false;
    const size_t bytes = size_t(w) * size_t(h) * (bits / 8);
    pixels.reset(new (std::nothrow) uint8_t[bytes]);
    if (!pixels) return false;
    width = w;
    height = h;
    bitsPerPixel = bits;
    return true;
}
