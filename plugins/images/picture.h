// Pictures decoded by the image plug-ins for PNG, JPEG, BMP and IFF (ILBM)
// files, and the limits every one of them applies. Internal to those plug-ins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

namespace images {

// Largest side accepted, the same as the TGA reader's and the back-end's
// texture limit.
constexpr int kMaxSide = 16384;
// Largest pixel count accepted: 64 Mpixels (8192 x 8192, 16384 x 4096), at
// most 256 MB of RGBA in the plug-in. The engine copies the pixels once more
// and the back-end builds a mip chain of its own, so one such picture already
// costs about 700 MB; a header claiming more is refused before anything is
// allocated, so a small lying file cannot make the program allocate gigabytes.
#ifdef IMAGES_MAX_PIXELS
constexpr size_t kMaxPixels = IMAGES_MAX_PIXELS;  // fuzz builds: smaller, so every input runs fast under ASan
#else
constexpr size_t kMaxPixels = size_t(1) << 26;
#endif
// Files are read whole; none larger than this is read at all.
constexpr size_t kMaxFileBytes = size_t(512) << 20;

// A decoded picture: rows top to bottom, pixels R,G,B (24 bits) or R,G,B,A (32).
struct Picture {
    int width = 0;
    int height = 0;
    int bits = 0;
    std::unique_ptr<uint8_t[]> pixels;

    size_t RowBytes() const { return size_t(width) * (bits / 8); }
    uint8_t* Row(int y) { return pixels.get() + size_t(y) * RowBytes(); }
};

// Checks a picture size taken from a file against the limits. False with the
// reason in fault ("picture of 100000 x 100000 pixels is larger than ...").
bool CheckSize(long long width, long long height, std::string& fault);

// Checks the size, then allocates out for it (bits 24 or 32). False with the
// reason in fault when the size is refused or memory is short.
bool Allocate(Picture& out, long long width, long long height, int bits, std::string& fault);

// Reads a picture file held in memory. On failure out is left empty and fault
// says what is wrong in a few words (no file name, no newline).
using DecodeFn = bool (*)(std::span<const uint8_t> file, Picture& out, std::string& fault);

// Writes a picture file from rows given top to bottom, pitch bytes apart, each
// pixel bytesPerPixel (3 or 4) bytes in the order blue, green, red(, unused).
// The caller has checked the sizes. False with the reason in fault.
using EncodeFn = bool (*)(std::FILE* file, const uint8_t* bgr, int bytesPerPixel, int width, int height, int pitch,
                          std::string& fault);

// What one plug-in library reads and writes.
struct Format {
    const char* pluginName;  // the name its messages begin with ("png.dll")
    const char* kind;        // the file kind in messages ("PNG")
    DecodeFn decode;
    EncodeFn encode;  // null when the plug-in cannot write its format
};

bool DecodePng(std::span<const uint8_t> file, Picture& out, std::string& fault);
bool EncodePng(std::FILE* file, const uint8_t* bgr, int bytesPerPixel, int width, int height, int pitch,
               std::string& fault);
bool DecodeJpeg(std::span<const uint8_t> file, Picture& out, std::string& fault);
bool DecodeBmp(std::span<const uint8_t> file, Picture& out, std::string& fault);
bool DecodeIlbm(std::span<const uint8_t> file, Picture& out, std::string& fault);

}  // namespace images
