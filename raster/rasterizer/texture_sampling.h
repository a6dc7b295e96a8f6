// Texture sampling shared by every pixel walker: perspective divide, mip level
// per pixel, wrap addressing, nearest or bilinear filtering (bilinear also
// blends the two nearest mip levels when minifying).
#pragma once

#include <emmintrin.h>

#include <bit>
#include <cstdint>

#include "raster/rasterizer/state_setup.h"
#include "raster/rasterizer/triangle_setup.h"

#define TESSALY_RASTER_INLINE inline __attribute__((always_inline))

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

// Wraps a texel index into 0..size-1: by mask for power-of-two sizes.
template <bool Pow2>
inline int WrapCoord(int i, int size) {
    if constexpr (Pow2) {
        return i & (size - 1);
    } else {
        i %= size;
        return i < 0 ? i + size : i;
    }
}

// Texel coordinates in fixed point: level-0 texels x 256.
struct TexPoint {
    int32_t u, v;
    int32_t lod;  // level of detail, 8 fraction bits
};

// Coordinates of a level: level k of a power-of-two chain halves them; other
// sizes scale by the level's size ratio.
template <bool Pow2>
inline int32_t LevelCoord(int32_t c, int level, float scale) {
    if constexpr (Pow2) {
        (void)scale;
        return c >> level;
    } else {
        (void)level;
        return FloorToInt(static_cast<float>(c) * scale);
    }
}

template <bool Pow2>
TESSALY_RASTER_INLINE uint32_t SampleNearest(const TexLevel& l, int level, int32_t u, int32_t v) {
    const int x = WrapCoord<Pow2>(LevelCoord<Pow2>(u, level, l.scaleU) >> 8, l.width);
    const int y = WrapCoord<Pow2>(LevelCoord<Pow2>(v, level, l.scaleV) >> 8, l.height);
    return l.texels[static_cast<size_t>(y) * static_cast<size_t>(l.width) + static_cast<size_t>(x)];
}

// Bilinear filter: per channel, (a x (256 - f) + b x f) >> 8 across x for both
// rows, then the same down y; both rows are blended at once in 16-bit lanes.
template <bool Pow2>
TESSALY_RASTER_INLINE uint32_t SampleBilinear(const TexLevel& l, int level, int32_t u, int32_t v) {
    // Texel centres sit at half-integer coordinates: sample half a texel up-left.
    const int fu = LevelCoord<Pow2>(u, level, l.scaleU) - 128;
    const int fv = LevelCoord<Pow2>(v, level, l.scaleV) - 128;
    const int x = fu >> 8, y = fv >> 8;
    const int wx = fu & 255, wy = fv & 255;
    const int x0 = WrapCoord<Pow2>(x, l.width), x1 = WrapCoord<Pow2>(x + 1, l.width);
    const int y0 = WrapCoord<Pow2>(y, l.height), y1 = WrapCoord<Pow2>(y + 1, l.height);
    const uint32_t* r0 = l.texels + static_cast<size_t>(y0) * static_cast<size_t>(l.width);
    const uint32_t* r1 = l.texels + static_cast<size_t>(y1) * static_cast<size_t>(l.width);
    const __m128i zero = _mm_setzero_si128();
    const __m128i left = _mm_unpacklo_epi8(
        _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(r0[x0])), _mm_cvtsi32_si128(static_cast<int>(r1[x0]))),
        zero);
    const __m128i right = _mm_unpacklo_epi8(
        _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(r0[x1])), _mm_cvtsi32_si128(static_cast<int>(r1[x1]))),
        zero);
    const __m128i h = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(left, _mm_set1_epi16(static_cast<short>(256 - wx))),
                                                   _mm_mullo_epi16(right, _mm_set1_epi16(static_cast<short>(wx)))),
                                     8);
    const __m128i hb = _mm_unpackhi_epi64(h, h);
    const __m128i r = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(h, _mm_set1_epi16(static_cast<short>(256 - wy))),
                                                   _mm_mullo_epi16(hb, _mm_set1_epi16(static_cast<short>(wy)))),
                                     8);
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(r, r)));
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

// Perspective divide of a point's U, V, Q plane values: texel coordinates
// and level of detail. Q is kept at or above the triangle's smallest vertex Q,
// so points just outside a triangle (antialiased edges) stay sane.
TESSALY_RASTER_INLINE TexPoint ProjectTexel(const DrawContext& dc, const TriangleSetup& ts, uint64_t U, uint64_t V,
                                            uint64_t Q) {
    float q = static_cast<float>(static_cast<int64_t>(Q));
    if (!(q >= ts.qMin)) q = ts.qMin;
    if (!(q >= 1.0f)) q = 1.0f;
    const float inv = 1.0f / q;
    constexpr float kLimit = 4194304.0f;  // 2^22 texels
    float u = static_cast<float>(static_cast<int64_t>(U)) * inv;
    float v = static_cast<float>(static_cast<int64_t>(V)) * inv;
    u = u < -kLimit ? -kLimit : (u > kLimit ? kLimit : u);
    v = v < -kLimit ? -kLimit : (v > kLimit ? kLimit : v);
    int lod = dc.levelCount > 1 ? LevelOfDetail(ts, u, v, inv) : 0;
    lod = lod < -4096 ? -4096 : (lod > 4096 ? 4096 : lod);
    return {FloorToInt(u * 256.0f), FloorToInt(v * 256.0f), lod};
}

// ProjectTexel of four points at once, in SSE lanes: the same float
// operations in the same order, compares and selects for the branches, so
// each point comes out as ProjectTexel gives it.
inline void ProjectTexels4(const DrawContext& dc, const TriangleSetup& ts, const uint64_t* U, const uint64_t* V,
                           const uint64_t* Q, TexPoint* out) {
    auto pick = [](__m128 mask, __m128 yes, __m128 no) {
        return _mm_or_ps(_mm_and_ps(mask, yes), _mm_andnot_ps(mask, no));
    };
    auto pickInt = [](__m128i mask, __m128i yes, __m128i no) {
        return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
    };
    auto toFloat = [](const uint64_t* p) {
        return _mm_setr_ps(static_cast<float>(static_cast<int64_t>(p[0])), static_cast<float>(static_cast<int64_t>(p[1])),
                           static_cast<float>(static_cast<int64_t>(p[2])), static_cast<float>(static_cast<int64_t>(p[3])));
    };
    __m128 q = toFloat(Q);
    const __m128 qMin = _mm_set1_ps(ts.qMin), one = _mm_set1_ps(1.0f);
    q = pick(_mm_cmpge_ps(q, qMin), q, qMin);  // NaN compares false, as !(q >= qMin)
    q = pick(_mm_cmpge_ps(q, one), q, one);
    const __m128 inv = _mm_div_ps(one, q);
    const __m128 limit = _mm_set1_ps(4194304.0f), negLimit = _mm_set1_ps(-4194304.0f);
    auto clampCoord = [&](__m128 c) {
        const __m128 high = pick(_mm_cmpgt_ps(c, limit), limit, c);
        return pick(_mm_cmplt_ps(c, negLimit), negLimit, high);
    };
    const __m128 u = clampCoord(_mm_mul_ps(toFloat(U), inv));
    const __m128 v = clampCoord(_mm_mul_ps(toFloat(V), inv));
    __m128i lod = _mm_setzero_si128();
    if (dc.levelCount > 1) {
        const __m128 qdx = _mm_set1_ps(ts.qdx), qdy = _mm_set1_ps(ts.qdy);
        const __m128 dudx = _mm_mul_ps(_mm_sub_ps(_mm_set1_ps(ts.udx), _mm_mul_ps(u, qdx)), inv);
        const __m128 dvdx = _mm_mul_ps(_mm_sub_ps(_mm_set1_ps(ts.vdx), _mm_mul_ps(v, qdx)), inv);
        const __m128 dudy = _mm_mul_ps(_mm_sub_ps(_mm_set1_ps(ts.udy), _mm_mul_ps(u, qdy)), inv);
        const __m128 dvdy = _mm_mul_ps(_mm_sub_ps(_mm_set1_ps(ts.vdy), _mm_mul_ps(v, qdy)), inv);
        const __m128 rx = _mm_add_ps(_mm_mul_ps(dudx, dudx), _mm_mul_ps(dvdx, dvdx));
        const __m128 ry = _mm_add_ps(_mm_mul_ps(dudy, dudy), _mm_mul_ps(dvdy, dvdy));
        const __m128 r = pick(_mm_cmpgt_ps(rx, ry), rx, ry);
        lod = _mm_srai_epi32(_mm_sub_epi32(_mm_castps_si128(r), _mm_set1_epi32(0x3F800000)), 16);
        const __m128i lowest = _mm_set1_epi32(-4096), highest = _mm_set1_epi32(4096);
        lod = pickInt(_mm_cmplt_epi32(lod, lowest), lowest, lod);
        lod = pickInt(_mm_cmpgt_epi32(lod, highest), highest, lod);
    }
    auto floorToInt = [](__m128 f) {  // FloorToInt: truncate, then one less where that rounded up
        const __m128i i = _mm_cvttps_epi32(f);
        return _mm_add_epi32(i, _mm_castps_si128(_mm_cmplt_ps(f, _mm_cvtepi32_ps(i))));
    };
    const __m128 scale = _mm_set1_ps(256.0f);
    alignas(16) int32_t iu[4], iv[4], il[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(iu), floorToInt(_mm_mul_ps(u, scale)));
    _mm_store_si128(reinterpret_cast<__m128i*>(iv), floorToInt(_mm_mul_ps(v, scale)));
    _mm_store_si128(reinterpret_cast<__m128i*>(il), lod);
    for (int k = 0; k < 4; ++k) out[k] = {iu[k], iv[k], il[k]};
}

// Linear step between two projected points a and b, len pixels apart, at k.
inline int32_t SegmentLerp(int32_t a, int32_t b, int k, int len) {
    const int64_t d = static_cast<int64_t>(b) - a;
    if (len == 8) return static_cast<int32_t>(a + ((d * k) >> 3));
    return static_cast<int32_t>(a + (d * k) / len);
}
inline TexPoint SegmentPoint(const TexPoint& a, const TexPoint& b, int k, int len) {
    if (len == 0) return a;
    return {SegmentLerp(a.u, b.u, k, len), SegmentLerp(a.v, b.v, k, len), SegmentLerp(a.lod, b.lod, k, len)};
}

// The filtered, mip-mapped texel at a texel point.
template <TexKind Kind>
TESSALY_RASTER_INLINE uint32_t SampleTexture(const DrawContext& dc, const TexPoint& p) {
    constexpr bool kPow2 = Kind == TexKind::Nearest || Kind == TexKind::Bilinear;
    constexpr bool kNearest = Kind == TexKind::Nearest || Kind == TexKind::NearestAnySize;
    const int last = dc.levelCount - 1;
    const int lod = p.lod;
    if constexpr (kNearest) {
        int level = lod <= 128 ? 0 : (lod + 128) >> 8;  // nearest level
        if (level > last) level = last;
        return SampleNearest<kPow2>(dc.levels[level], level, p.u, p.v);
    } else {
        if (lod <= 0) return SampleBilinear<kPow2>(dc.levels[0], 0, p.u, p.v);
        const int level = lod >> 8;
        if (level >= last) return SampleBilinear<kPow2>(dc.levels[last], last, p.u, p.v);
        const uint32_t a = SampleBilinear<kPow2>(dc.levels[level], level, p.u, p.v);
        const uint32_t b = SampleBilinear<kPow2>(dc.levels[level + 1], level + 1, p.u, p.v);
        return LerpArgb(a, b, static_cast<uint32_t>(lod & 255));
    }
}

}  // namespace raster
