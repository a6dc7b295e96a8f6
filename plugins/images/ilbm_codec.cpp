// IFF ILBM and PBM pictures, read here rather than through a library: the
// format is small, and the one library that reads it crashed on damaged files
// and misread mask planes and odd PBM widths.
//
// Read: ILBM with 1 to 8 bit planes through the CMAP colour map (a map shorter
// than the planes need repeats, none gives a grey ramp), extra half-bright
// (CAMG 0x80) and hold-and-modify (CAMG 0x800, 6 or 8 planes) pictures,
// 24-bit deep (R, G, B planes, 8 each) and 32-bit deep (plus alpha) pictures;
// PBM (one byte per pixel through the map, rows padded to an even width);
// uncompressed or ByteRun1 bodies. A mask plane (BMHD masking 1) and a
// transparent colour (masking 2) become alpha. Colour map values are used as
// stored. Every chunk length is checked against the file, the size against the
// limits, and the body is read row by row with its length checked, so a cut or
// lying file is refused with the row it ends at.

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "plugins/images/picture.h"

namespace images {
namespace {

uint32_t Read16(const uint8_t* p) { return (uint32_t(p[0]) << 8) | p[1]; }
uint32_t Read32(const uint8_t* p) { return (Read16(p) << 16) | Read16(p + 2); }

constexpr uint32_t Id(const char (&s)[5]) {
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
           uint8_t(s[3]);
}

constexpr uint32_t kHalfBright = 0x80;      // CAMG: colours 32 to 63 are 0 to 31 at half brightness
constexpr uint32_t kHoldAndModify = 0x800;  // CAMG: the top two bits of a pixel modify the last colour

enum Masking { kNoMask = 0, kMaskPlane = 1, kTransparentColour = 2 };

struct Header {
    bool chunky = false;  // PBM: one byte per pixel instead of bit planes
    int width = 0;
    int height = 0;
    int planes = 0;
    int masking = kNoMask;
    int compression = 0;
    int transparent = 0;       // colour index made transparent with masking 2
    uint32_t viewMode = 0;     // CAMG flags
    std::vector<uint8_t> map;  // CMAP: R,G,B per colour, at most 256 colours
    std::span<const uint8_t> body;
};

bool Fail(std::string& fault, const char* format, long long a = 0, long long b = 0) {
    char text[160];
    std::snprintf(text, sizeof text, format, a, b);
    fault = text;
    return false;
}

// Walks the FORM's chunks up to the BODY and checks the header against what
// this reader draws. The BODY may be cut short by the file's end; the rows
// say so when they are read.
bool ReadChunks(std::span<const uint8_t> file, Header& h, std::string& fault) {
    if (file.size() < 12 || Read32(file.data()) != Id("FORM")) return Fail(fault, "no IFF FORM");
    const uint32_t type = Read32(file.data() + 8);
    h.chunky = type == Id("PBM ");
    if (type != Id("ILBM") && !h.chunky) return Fail(fault, "IFF file is neither ILBM nor PBM");
    bool haveHeader = false;
    size_t at = 12;
    while (true) {
        if (file.size() - at < 8) return Fail(fault, "file ends before the BODY chunk");
        const uint32_t id = Read32(file.data() + at);
        const uint32_t length = Read32(file.data() + at + 4);
        at += 8;
        const size_t left = file.size() - at;
        if (id == Id("BODY")) {
            if (!haveHeader) return Fail(fault, "BODY comes before the BMHD header");
            h.body = file.subspan(at, std::min<size_t>(length, left));
            return true;
        }
        if (length > left) return Fail(fault, "chunk of %lld bytes where %lld are left", length, (long long)left);
        const uint8_t* p = file.data() + at;
        if (id == Id("BMHD")) {
            if (length < 20) return Fail(fault, "BMHD header of %lld bytes is too short", length);
            h.width = int(Read16(p));
            h.height = int(Read16(p + 2));
            h.planes = p[8];
            h.masking = p[9];
            h.compression = p[10];
            h.transparent = int(Read16(p + 12));
            if (!CheckSize(h.width, h.height, fault)) return false;
            if (h.chunky ? h.planes != 8 : !((h.planes >= 1 && h.planes <= 8) || h.planes == 24 || h.planes == 32))
                return Fail(fault, "%lld bit planes are not read (1 to 8, 24 and 32 are)", h.planes);
            if (h.chunky && h.masking == kMaskPlane) return Fail(fault, "PBM picture with a mask plane is not read");
            if (h.compression > 1)
                return Fail(fault, "compression %lld is not read (none and ByteRun1 are)", h.compression);
            if (h.masking > 3) return Fail(fault, "masking %lld is not read (0 to 3 are)", h.masking);
            haveHeader = true;
        } else if (id == Id("CMAP")) {
            h.map.assign(p, p + std::min<size_t>(length / 3, 256) * 3);
        } else if (id == Id("CAMG") && length >= 4) {
            h.viewMode = Read32(p);
        }
        at += length;
        if (length & 1) {  // chunks are padded to even lengths
            if (at == file.size()) return Fail(fault, "file ends before the BODY chunk");
            ++at;
        }
    }
}

// The BODY's bytes, uncompressed or ByteRun1. Runs may cross plane and row
// boundaries (some writers pack a whole row, or the whole body, as one
// stream), so a run left over at the end of a row carries into the next.
class BodyReader {
public:
    BodyReader(std::span<const uint8_t> body, bool compressed) : body_(body), compressed_(compressed) {}

    // Fills out with the next out.size() bytes. False when the body ends first.
    bool Fill(std::span<uint8_t> out) {
        size_t done = 0;
        while (done < out.size()) {
            if (!compressed_) {
                const size_t n = std::min(out.size() - done, body_.size() - at_);
                std::copy_n(body_.data() + at_, n, out.data() + done);
                at_ += n;
                done += n;
                if (done < out.size()) return false;
                break;
            }
            if (left_ == 0 && !NextRun()) return false;
            const size_t n = std::min(out.size() - done, left_);
            if (repeat_) {
                std::fill_n(out.data() + done, n, value_);
            } else {
                std::copy_n(body_.data() + at_, n, out.data() + done);
                at_ += n;
            }
            done += n;
            left_ -= n;
        }
        return true;
    }

private:
    // Reads the next run's control byte (and its repeated byte). A literal run
    // longer than what is left of the body is refused when it is read.
    bool NextRun() {
        while (at_ < body_.size()) {
            const int n = int(int8_t(body_[at_++]));
            if (n >= 0) {
                left_ = size_t(n) + 1;
                repeat_ = false;
                return body_.size() - at_ >= left_;
            }
            if (n == -128) continue;  // no operation
            if (at_ == body_.size()) return false;
            left_ = size_t(1 - n);
            repeat_ = true;
            value_ = body_[at_++];
            return true;
        }
        return false;
    }

    std::span<const uint8_t> body_;
    bool compressed_;
    size_t at_ = 0;
    size_t left_ = 0;  // bytes still to give from the current run
    bool repeat_ = false;
    uint8_t value_ = 0;
};

// Bit k of a byte (most significant first) as bit 0 of byte k of the result:
// one plane's bits of eight pixels, spread so eight planes add up in one word.
constexpr std::array<uint64_t, 256> kSpread = [] {
    std::array<uint64_t, 256> table{};
    for (int b = 0; b < 256; ++b)
        for (int k = 0; k < 8; ++k)
            if (b & (0x80 >> k)) table[size_t(b)] |= uint64_t(1) << (8 * k);
    return table;
}();

// Gathers the value of every pixel of a planar row (planes of planeBytes
// bytes each, plane 0 the lowest bit), eight pixels and eight planes at a time.
void GatherPlanes(const uint8_t* row, size_t planeBytes, int planes, uint32_t* values) {
    for (size_t column = 0; column < planeBytes; ++column) {
        uint32_t* v = values + column * 8;
        std::fill_n(v, 8, 0u);
        for (int first = 0; first < planes; first += 8) {
            uint64_t eight = 0;  // byte k: planes first..first+7 of pixel k
            for (int plane = first; plane < std::min(first + 8, planes); ++plane)
                eight |= kSpread[row[size_t(plane) * planeBytes + column]] << (plane - first);
            for (int k = 0; k < 8; ++k) v[k] |= uint32_t((eight >> (8 * k)) & 0xFF) << first;
        }
    }
}

// The colours of a colour-mapped picture: the map, repeated when shorter than
// the planes address, half-bright colours added, or a grey ramp without a map.
std::vector<uint8_t> Palette(const Header& h) {
    const int count = 1 << std::min(h.planes, 8);
    std::vector<uint8_t> colours(size_t(count) * 3);
    const int mapped = int(h.map.size() / 3);
    for (int i = 0; i < count; ++i)
        for (int k = 0; k < 3; ++k)
            colours[size_t(i) * 3 + k] =
                mapped > 0 ? h.map[size_t(i % mapped) * 3 + k] : uint8_t(i * 255 / (count - 1));
    if ((h.viewMode & kHalfBright) && !(h.viewMode & kHoldAndModify) && count == 64)
        for (int i = 32; i < 64; ++i)
            for (int k = 0; k < 3; ++k)
                colours[size_t(i) * 3 + k] = uint8_t((mapped > 0 ? h.map[size_t((i - 32) % mapped) * 3 + k] : 0) / 2);
    return colours;
}

}  // namespace

bool DecodeIlbm(std::span<const uint8_t> file, Picture& out, std::string& fault) {
    out = Picture{};
    Header h;
    if (!ReadChunks(file, h, fault)) return false;
    const bool deep = h.planes > 8;
    const bool holdAndModify = !deep && !h.chunky && (h.viewMode & kHoldAndModify) && (h.planes == 6 || h.planes == 8);
    const bool alpha = h.masking == kMaskPlane || h.planes == 32 || (!deep && h.masking == kTransparentColour);
    Picture picture;
    if (!Allocate(picture, h.width, h.height, alpha ? 32 : 24, fault)) return false;
    const std::vector<uint8_t> colours = deep ? std::vector<uint8_t>{} : Palette(h);

    // One row of the file: every plane's bits (and the mask plane's), or the
    // PBM's bytes, each padded to an even length.
    const size_t planeBytes = h.chunky ? size_t(h.width + 1) / 2 * 2 : size_t(h.width + 15) / 16 * 2;
    const int stored = h.chunky ? 1 : h.planes + (h.masking == kMaskPlane ? 1 : 0);
    std::vector<uint8_t> row(planeBytes * size_t(stored));
    std::vector<uint32_t> values(planeBytes * 8);  // each pixel's value, the row's padding included
    BodyReader body(h.body, h.compression == 1);
    const int channels = alpha ? 4 : 3;
    for (int y = 0; y < h.height; ++y) {
        if (!body.Fill(row)) return Fail(fault, "BODY ends in row %lld of %lld", y + 1, h.height);
        uint8_t* o = picture.Row(y);
        uint8_t held[3] = {};  // hold-and-modify: each row starts from colour 0
        if (!colours.empty()) std::copy_n(colours.data(), 3, held);
        if (h.chunky) {
            std::copy_n(row.data(), h.width, values.data());
        } else {
            GatherPlanes(row.data(), planeBytes, h.planes, values.data());
        }
        for (int x = 0; x < h.width; ++x, o += channels) {
            const uint32_t value = values[size_t(x)];
            if (deep) {
                o[0] = uint8_t(value), o[1] = uint8_t(value >> 8), o[2] = uint8_t(value >> 16);
            } else if (holdAndModify) {
                // The top two bits choose: 0 a map colour, 1 modify blue, 2 red, 3 green.
                const int bits = h.planes - 2;
                const uint32_t index = value & ((1u << bits) - 1);
                const uint32_t control = value >> bits;
                const uint8_t level = bits == 4 ? uint8_t(index * 17) : uint8_t(index << 2 | index >> 4);
                if (control == 0) {
                    std::copy_n(colours.data() + size_t(index) * 3, 3, held);
                } else {
                    held[control == 1 ? 2 : control == 2 ? 0 : 1] = level;
                }
                std::copy_n(held, 3, o);
            } else {
                std::copy_n(colours.data() + size_t(value) * 3, 3, o);
            }
            if (!alpha) continue;
            if (h.planes == 32) {
                o[3] = uint8_t(value >> 24);
            } else if (h.masking == kMaskPlane) {
                const uint8_t maskBits = row[size_t(h.planes) * planeBytes + (size_t(x) >> 3)];
                o[3] = (maskBits >> (7 - (x & 7))) & 1 ? 255 : 0;
            } else {
                o[3] = int(value) == h.transparent ? 0 : 255;
            }
        }
    }
    out = std::move(picture);
    return true;
}

}  // namespace images
