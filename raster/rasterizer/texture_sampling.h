// Texture sampling shared by every pixel walker: perspective divide, mip level
// per pixel, wrap addressing, nearest or bilinear filtering (bilinear also
// blends the two nearest mip levels when minifying).
#pragma once

#include <bit>
#include <cstdint>

#include "raster/rasterizer/state_setup.h"
#include "raster/rasterizer/triangle_setup.h"

namespace raster {

// Linear blend of two ARGB8888 words by f/256 (f 0..256), two channels per step.
inline uint32_t LerpArgb(uint32_t a, uint32_t b, uint32_t f) {
    const uint32_t g = 256 - f;
    const uint32_t rb = (((a & 0x00FF00FFu) * g + (b & 0x00FF00FFu) * f) >> 8) & 0x00FF00FFu;
    const uint32_t ag = ((((a >> 8) & 0x00FF00FFu) * g + ((b >> 8) & 0x00FF00FFu) * f) >> 8) & 0x00FF00FFu;
    return rb | (ag << 8);
}

inline int FloorToInt(float f) {
    const int i = static_cast<int>(f);
    return i - (f < static_cast<float>(i) ? 1 : 0);
}

inline int WrapCoord(int i, int size, bool pow2) {
    if (pow2) return i & (size - 1);
    i %= size;
    return i < 0 ? i + size : i;
}

inline uint32_t TexelAt(const TexLevel& l, int x, int y) {
    x = WrapCoord(x, l.width, l.pow2);
    y = WrapCoord(y, l.height, l.pow2);
    return l.texels[static_cast<size_t>(y) * static_cast<size_t>(l.width) + static_cast<size_t>(x)];
}

// u, v in level-0 texels.
inline uint32_t SampleNearest(const TexLevel& l, float u, float v) {
    return TexelAt(l, FloorToInt(u * l.scaleU), FloorToInt(v * l.scaleV));
}

inline uint32_t SampleBilinear(const TexLevel& l, float u, float v) {
    // Texel centres sit at half-integer coordinates: sample at (u - 0.5, v - 0.5)
    // with 8 fraction bits of weight.
    const int fu = FloorToInt(u * l.scaleU * 256.0f - 128.0f);
    const int fv = FloorToInt(v * l.scaleV * 256.0f - 128.0f);
    const int x = fu >> 8, y = fv >> 8;
    const uint32_t wx = static_cast<uint32_t>(fu & 255), wy = static_cast<uint32_t>(fv & 255);
    const int x1 = WrapCoord(x + 1, l.width, l.pow2), y1 = WrapCoord(y + 1, l.height, l.pow2);
    const int x0 = WrapCoord(x, l.width, l.pow2), y0 = WrapCoord(y, l.height, l.pow2);
    const uint32_t* r0 = l.texels + static_cast<size_t>(y0) * static_cast<size_t>(l.width);
    const uint32_t* r1 = l.texels + static_cast<size_t>(y1) * static_cast<size_t>(l.width);
    const uint32_t top = LerpArgb(r0[x0], r0[x1], wx);
    const uint32_t bottom = LerpArgb(r1[x0], r1[x1], wx);
    return LerpArgb(top, bottom, wy);
}

// Level of detail with 8 fraction bits: half the log2 of the larger squared
// texel step along x or y, read from the float's bits (piecewise-linear log2).
inline int LevelOfDetail(const TriangleSetup& ts, float u, float v, float inv) {
    const float dudx = (ts.udx - u * ts.qdx) * inv, dvdx = (ts.vdx - v * ts.qdx) * inv;
    const float dudy = (ts.udy - u * ts.qdy) * inv, dvdy = (ts.vdy - v * ts.qdy) * inv;
    const float rx = dudx * dudx + dvdx * dvdx, ry = dudy * dudy + dvdy * dvdy;
    const float r = rx > ry ? rx : ry;
    return (std::bit_cast<int32_t>(r) - 0x3F800000) >> 16;
}

// The texel of a pixel from its U, V, Q plane values.
template <TexKind Kind>
inline uint32_t SampleTexture(const DrawContext& dc, const TriangleSetup& ts, uint64_t U, uint64_t V, uint64_t Q) {
    float q = static_cast<float>(static_cast<int64_t>(Q));
    if (!(q >= 1.0f)) q = 1.0f;
    const float inv = 1.0f / q;
    constexpr float kLimit = 4194304.0f;
    float u = static_cast<float>(static_cast<int64_t>(U)) * inv;
    float v = static_cast<float>(static_cast<int64_t>(V)) * inv;
    u = u < -kLimit ? -kLimit : (u > kLimit ? kLimit : u);
    v = v < -kLimit ? -kLimit : (v > kLimit ? kLimit : v);
    const int last = dc.levelCount - 1;
    const int lod = last > 0 ? LevelOfDetail(ts, u, v, inv) : 0;
    if constexpr (Kind == TexKind::Nearest) {
        int level = lod <= 128 ? 0 : (lod + 128) >> 8;  // nearest level
        if (level > last) level = last;
        return SampleNearest(dc.levels[level], u, v);
    } else {
        if (lod <= 0) return SampleBilinear(dc.levels[0], u, v);
        const int level = lod >> 8;
        if (level >= last) return SampleBilinear(dc.levels[last], u, v);
        const uint32_t a = SampleBilinear(dc.levels[level], u, v);
        const uint32_t b = SampleBilinear(dc.levels[level + 1], u, v);
        return LerpArgb(a, b, static_cast<uint32_t>(lod & 255));
    }
}

}  // namespace raster
