// Writers of small test pictures in the formats the image plug-ins read, each
// from the pixels the test expects back: PNG and JPEG through libpng and
// libjpeg, BMP and IFF ILBM byte by byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace picturetest {

using Bytes = std::vector<uint8_t>;

// A picture as the plug-ins hand it over: rows top first, R,G,B or R,G,B,A.
struct Rgb {
    int width = 0, height = 0, channels = 3;
    Bytes pixels = {};
};

// PNG of any colour type and depth. samples holds the stored values, one per
// channel (16-bit samples as values up to 65535; palette and grey indices as
// they are); without samples only the signature and header are written.
// palette: R,G,B triples; trns: the tRNS chunk's bytes.
struct PngSpec {
    int width = 0, height = 0, colourType = 2, depth = 8;
    bool interlaced = false;
    std::vector<int> samples;
    Bytes palette = {}, trns = {};
};
Bytes WritePng(const PngSpec& spec);

// JPEG at quality 95 from R,G,B pixels; grey writes one channel (the red
// one); cmyk writes the inks 255 - R, 255 - G, 255 - B and no black, stored
// inverted as files with an Adobe marker store them.
enum class JpegKind { Baseline, Progressive, Grey, Cmyk };
Bytes WriteJpeg(const Rgb& picture, JpegKind kind);

// BMP: 24 or 32 bits from the picture (32 bits with an alpha mask), or 8 bits
// with indices and a palette of R,G,B triples; topDown stores a negative height.
Bytes WriteBmp(const Rgb& picture, int bits, bool topDown, const Bytes& indices = {}, const Bytes& palette = {});

// IFF ILBM from per-pixel values of `planes` bits (1 to 8 through cmap, 24
// as 0xBBGGRR), optionally ByteRun1-compressed, with a CAMG chunk when camg
// is not 0. bodyCut bytes are dropped from the end of the BODY.
Bytes WriteIlbm(int width, int height, int planes, const std::vector<uint32_t>& values, const Bytes& cmap,
                bool compressed, uint32_t camg = 0, size_t bodyCut = 0);

// IFF PBM: one byte per pixel through cmap, the whole body ByteRun1-compressed
// as one stream when asked.
Bytes WritePbm(int width, int height, const std::vector<uint32_t>& indices, const Bytes& cmap, bool compressed);

// Smooth test colours (JPEG keeps them close).
Rgb Gradient(int width, int height, int channels);

}  // namespace picturetest
