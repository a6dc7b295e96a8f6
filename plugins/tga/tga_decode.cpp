// TGA reader: true-colour (15, 16, 24, 32 bits), grey (8 bits) and colour-mapped
// (8-bit indices into a 15, 16, 24 or 32-bit map), raw or run-length encoded,
// with any of the four origins. Every length taken from the file is checked
// against what the file holds before it is used.

#include <array>
#include <new>
#include <utility>
#include <vector>

#include "plugins/tga/tga_codec.h"

namespace tga {
namespace {

enum ImageKind : int { kMapped = 1, kTrueColour = 2, kGrey = 3 };
constexpr int kRleBit = 8;
constexpr int kRightToLeft = 0x10;  // descriptor: columns run right to left
constexpr int kTopDown = 0x20;      // descriptor: the first row is the top row

struct Header {
    int idLength;
    int mapType;
    int imageType;
    int mapFirst;
    int mapLength;
    int mapEntryBits;
    int width;
    int height;
    int pixelBits;
    int descriptor;
};

int Word(const uint8_t* p) { return p[0] | (p[1] << 8); }

Header ParseHeader(const uint8_t* p) {
    return Header{p[0], p[1], p[2], Word(p + 3), Word(p + 5), p[7], Word(p + 12), Word(p + 14), p[16], p[17]};
}

bool IsColourDepth(int bits) { return bits == 15 || bits == 16 || bits == 24 || bits == 32; }

uint8_t Expand5(int v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }

using Rgba = std::array<uint8_t, 4>;

// One stored colour (little-endian 5-5-5 word, B,G,R or B,G,R,A bytes) to RGBA.
Rgba ColourToRgba(const uint8_t* src, int bits) {
    switch (bits) {
        case 15:
        case 16: {
            const int v = Word(src);
            return {Expand5((v >> 10) & 31), Expand5((v >> 5) & 31), Expand5(v & 31), 255};
        }
        case 24:
            return {src[2], src[1], src[0], 255};
        default:
            return {src[2], src[1], src[0], src[3]};
    }
}

// Turns the stored pixels into RGBA, through the colour map for mapped files.
class PixelConverter {
public:
    PixelConverter(const Header& h, std::vector<Rgba>&& palette) : h_(h), palette_(std::move(palette)) {}

    // False for an index outside the colour map.
    bool Convert(const uint8_t* src, Rgba& out) const {
        switch (h_.imageType & 7) {
            case kGrey:
                out = {src[0], src[0], src[0], 255};
                return true;
            case kTrueColour:
                out = ColourToRgba(src, h_.pixelBits);
                return true;
            default: {
                const int index = src[0] - h_.mapFirst;
                if (index < 0 || index >= static_cast<int>(palette_.size())) return false;
                out = palette_[index];
                return true;
            }
        }
    }

private:
    Header h_;
    std::vector<Rgba> palette_;
};

// Places pixels given in file order into the picture, top row first.
class PixelPlacer {
public:
    PixelPlacer(const Header& h, Picture& p)
        : out_(p.pixels.get()),
          bpp_(p.bits / 8),
          width_(p.width),
          height_(p.height),
          topDown_(h.descriptor & kTopDown),
          rightToLeft_(h.descriptor & kRightToLeft) {}

    bool Done() const { return row_ >= height_; }

    // Writes the next pixel (the caller checks Done first).
    void Put(const Rgba& c) {
        const int y = topDown_ ? row_ : height_ - 1 - row_;
        const int x = rightToLeft_ ? width_ - 1 - column_ : column_;
        uint8_t* d = out_ + (size_t(y) * width_ + x) * bpp_;
        for (int i = 0; i < bpp_; ++i) d[i] = c[i];
        if (++column_ == width_) {
            column_ = 0;
            ++row_;
        }
    }

private:
    uint8_t* out_;
    int bpp_;
    int width_;
    int height_;
    bool topDown_;
    bool rightToLeft_;
    int row_ = 0;
    int column_ = 0;
};

DecodeResult Check(const Header& h) {
    const int kind = h.imageType & 7;
    if ((h.imageType & ~(7 | kRleBit)) != 0 || kind < kMapped || kind > kGrey || h.mapType > 1)
        return DecodeResult::Unsupported;
    if (h.width < 1 || h.height < 1 || h.width > kMaxSide || h.height > kMaxSide) return DecodeResult::Unsupported;
    if (h.mapType == 1 && h.mapLength > 0 && !IsColourDepth(h.mapEntryBits)) return DecodeResult::Unsupported;
    switch (kind) {
        case kMapped:
            if (h.mapType != 1 || h.mapLength < 1 || h.pixelBits != 8) return DecodeResult::Unsupported;
            break;
        case kTrueColour:
            if (!IsColourDepth(h.pixelBits)) return DecodeResult::Unsupported;
            break;
        default:
            if (h.pixelBits != 8) return DecodeResult::Unsupported;
            break;
    }
    return DecodeResult::Ok;
}

}  // namespace

DecodeResult Decode(std::span<const uint8_t> file, Picture& out) {
    out = Picture{};
    if (file.size() < size_t(kHeaderSize)) return DecodeResult::Unsupported;
    const Header h = ParseHeader(file.data());
    if (const DecodeResult r = Check(h); r != DecodeResult::Ok) return r;

    size_t at = size_t(kHeaderSize) + h.idLength;
    const size_t entryBytes = h.mapType == 1 ? size_t(h.mapEntryBits + 7) / 8 : 0;
    const size_t mapBytes = h.mapType == 1 ? size_t(h.mapLength) * entryBytes : 0;
    if (file.size() < at + mapBytes) return DecodeResult::Damaged;

    std::vector<Rgba> palette;
    if ((h.imageType & 7) == kMapped) {
        palette.resize(h.mapLength);
        for (int i = 0; i < h.mapLength; ++i)
            palette[i] = ColourToRgba(file.data() + at + i * entryBytes, h.mapEntryBits);
    }
    at += mapBytes;

    const bool rle = (h.imageType & kRleBit) != 0;
    const size_t srcBytes = size_t(h.pixelBits + 7) / 8;
    const size_t count = size_t(h.width) * h.height;
    const size_t left = file.size() - at;
    // The least the pixel data can take: every pixel raw, or for run-length
    // data one packet header and one pixel per 128 pixels.
    const size_t least = rle ? (count + 127) / 128 * (1 + srcBytes) : count * srcBytes;
    if (left < least) return DecodeResult::Damaged;

    const bool alpha = ((h.imageType & 7) == kTrueColour && h.pixelBits == 32) ||
                       ((h.imageType & 7) == kMapped && h.mapEntryBits == 32);
    Picture p;
    p.width = h.width;
    p.height = h.height;
    p.bits = alpha ? 32 : 24;
    p.pixels.reset(new (std::nothrow) uint8_t[count * (p.bits / 8)]);
    if (!p.pixels) return DecodeResult::OutOfMemory;

    const PixelConverter converter(h, std::move(palette));
    PixelPlacer placer(h, p);
    const uint8_t* src = file.data() + at;
    const uint8_t* const end = file.data() + file.size();
    Rgba c;
    while (!placer.Done()) {
        size_t raw = 1;  // pixels stored one by one
        size_t run = 0;  // or one pixel repeated
        if (rle) {
            if (src == end) return DecodeResult::Damaged;
            const uint8_t packet = *src++;
            const size_t length = (packet & 0x7Fu) + 1;
            if (packet & 0x80) {
                run = length;
                raw = 0;
            } else {
                raw = length;
            }
        }
        if (run > 0) {
            if (size_t(end - src) < srcBytes || !converter.Convert(src, c)) return DecodeResult::Damaged;
            src += srcBytes;
            for (; run > 0 && !placer.Done(); --run) placer.Put(c);  // a run past the last pixel is cut off there
        }
        for (; raw > 0 && !placer.Done(); --raw) {
            if (size_t(end - src) < srcBytes || !converter.Convert(src, c)) return DecodeResult::Damaged;
            src += srcBytes;
            placer.Put(c);
        }
    }
    out = std::move(p);
    return DecodeResult::Ok;
}

}  // namespace tga
