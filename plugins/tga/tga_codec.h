// TGA decoding, internal to the tga plug-in (the encoder is common/tga_encoder.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>

namespace tga {

constexpr int kHeaderSize = 18;
constexpr int kMaxSide = 16384;  // larger pictures are refused

// A decoded picture: rows top to bottom, pixels R,G,B (24 bits) or R,G,B,A (32).
struct Picture {
    int width = 0;
    int height = 0;
    int bits = 0;
    std::unique_ptr<uint8_t[]> pixels;
};

enum class DecodeResult {
    Ok,
    Unsupported,  // not a TGA variant this reader knows
    Damaged,      // truncated data, an index outside the colour map, a lying header
    OutOfMemory,
};

// Decodes a whole TGA file held in memory. On anything but Ok, out is left empty.
DecodeResult Decode(std::span<const uint8_t> file, Picture& out);

// Upper bound of the bytes any picture this reader accepts can occupy; a file
// needs to be read no further.
constexpr size_t kMaxFileBytes =
    size_t(kHeaderSize) + 255 + 65535u * 4u + (size_t(kMaxSide) * kMaxSide / 128 + 1) * (1 + 128 * 4);

}  // namespace tga
