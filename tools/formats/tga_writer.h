// Pictures in memory and their uncompressed TGA form (24 or 32 bits).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace demo {

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};

class Picture {
public:
    Picture(int width, int height, Rgba fill = {})
        : width_(width), height_(height), pixels_(size_t(width) * height, fill) {}

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Coordinates wrap around, so patterns may run past the edges.
    Rgba& At(int x, int y) { return pixels_[Index(x, y)]; }
    Rgba At(int x, int y) const { return pixels_[Index(x, y)]; }

private:
    size_t Index(int x, int y) const {
        const int wx = ((x % width_) + width_) % width_;
        const int wy = ((y % height_) + height_) % height_;
        return size_t(wy) * width_ + wx;
    }
    int width_, height_;
    std::vector<Rgba> pixels_;  // rows top to bottom
};

// The TGA file: type 2 (true colour, uncompressed), rows stored top first,
// bits 24 (alpha dropped) or 32.
std::vector<uint8_t> TgaBytes(const Picture& picture, int bitsPerPixel = 24);

}  // namespace demo
