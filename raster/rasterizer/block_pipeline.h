// Eight-pixel blocks of the fast walker, shaded four pixels at a time in SSE2
// lanes. It is the per-pixel pipeline of pixel_pipeline.h rewritten across
// pixels: every step is the same integer arithmetic on the same values (8-bit
// channels in 16-bit lanes, the same >> 8 after each product), so each pixel
// comes out byte for byte as ShadePixel would make it. The walker takes this
// path only where that equality holds without 64-bit arithmetic: plane values
// proven to fit 32 bits over the span, and one mip choice for all eight pixels
// of the block; everything else goes through ShadePixel.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#include "raster/rasterizer/blend.h"
#include "raster/rasterizer/texture_sampling.h"

namespace raster {

// The configurations the block shader covers: any depth width, and
// power-of-two textures (wrap by mask, row offset by shift) or none.
template <class Cfg>
inline constexpr bool kBlockShaded =
    Cfg::kTex == TexKind::None || Cfg::kTex == TexKind::Nearest || Cfg::kTex == TexKind::Bilinear;

// The largest depth plane value the block shader takes over a span: with a
// 16-bit surface the plane itself fits 32-bit lanes; with a 32-bit one the
// plane is stepped in 64 bits and only the depth (value >> 16) fits them.
// Either way the depth needs no clamp.
template <class Cfg>
inline constexpr int64_t kBlockDepthLimit =
    Cfg::kDepth == DepthKind::Bits32 ? (int64_t{1} << 48) - 1 : int64_t{0xFFFFFFFF};

// True when a plane's values from one end of an n-pixel run to the other stay
// within [lo, hi], stepping by dx without 64-bit wrap-around: the values are
// then a straight line between the two ends, and 32-bit lanes hold them all
// exactly.
inline bool PlaneFits(uint64_t first, uint64_t dx, int64_t n, int64_t lo, int64_t hi) {
    const int64_t d = static_cast<int64_t>(dx);
    const int64_t v0 = static_cast<int64_t>(first);
    if (d < -(int64_t{1} << 40) || d > (int64_t{1} << 40) || v0 < lo || v0 > hi) return false;
    const int64_t v1 = v0 + n * d;
    return v1 >= lo && v1 <= hi;
}

// Plane values of four consecutive pixels, one per 32-bit lane.
struct Lanes4 {
    __m128i z, r, g, b, a;  // plane values (depth unsigned, colours signed); z of a 32-bit surface is the depth itself
    __m128i u, v, lod;      // texel point
};

// Per-triangle lane steps of the depth and colour planes: (0, 1, 2, 3) x dx
// and 4 x dx, in wrapping 32-bit arithmetic (exact wherever the values they
// lead to fit 32 bits); and k x dx of the depth plane in wrapping 64-bit
// arithmetic, two pixels k a register, for 32-bit depth surfaces.
struct BlockSteps {
    __m128i ramp[kPlaneU], four[kPlaneU];
    __m128i depth64[4];
};
inline void SetupBlockSteps(const TriangleSetup& ts, BlockSteps& s) {
    for (int k = 0; k < kPlaneU; ++k) {
        const uint32_t d = static_cast<uint32_t>(ts.plane[k].dx);
        s.ramp[k] = _mm_setr_epi32(0, static_cast<int>(d), static_cast<int>(2 * d), static_cast<int>(3 * d));
        s.four[k] = _mm_set1_epi32(static_cast<int>(4 * d));
    }
    const uint64_t dz = ts.plane[kPlaneZ].dx;
    for (int k = 0; k < 4; ++k)
        s.depth64[k] = _mm_set_epi64x(static_cast<long long>((2 * k + 1) * dz), static_cast<long long>(2 * k * dz));
}

// The mip choice of a whole block.
struct BlockMip {
    int level = 0;
    bool blend = false;  // blend level with level + 1 by lod & 255
};

namespace block {

inline __m128i Set1(int32_t v) { return _mm_set1_epi32(v); }

// A 32-bit lane value 0..256 copied into both of its 16-bit halves.
inline __m128i Pair16(__m128i w) { return _mm_or_si128(w, _mm_slli_epi32(w, 16)); }

// (a x (256 - w) + b x w) >> 8 in 16-bit lanes: LerpArgb, and each pass of
// SampleBilinear, for one channel per 16-bit lane.
inline __m128i Lerp16(__m128i a, __m128i b, __m128i w) {
    const __m128i iw = _mm_sub_epi16(_mm_set1_epi16(256), w);
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(a, iw), _mm_mullo_epi16(b, w)), 8);
}

// Modulate(t, d) = (t x (d + 1)) >> 8 in 16-bit lanes.
inline __m128i Modulate16(__m128i t, __m128i d) {
    return _mm_srli_epi16(_mm_mullo_epi16(t, _mm_add_epi16(d, _mm_set1_epi16(1))), 8);
}

// ARGB8888 words split into blue/red and green/alpha channel pairs.
inline __m128i BlueRed(__m128i t) { return _mm_and_si128(t, Set1(0x00FF00FF)); }
inline __m128i GreenAlpha(__m128i t) { return _mm_and_si128(_mm_srli_epi32(t, 8), Set1(0x00FF00FF)); }

// Two colour planes as ColourChannel gives them (v >> 16, clamped to 0..255),
// lo in the low and hi in the high 16-bit half of each lane. The plane values
// are within +-2^30, so the signed pack does not saturate before the clamp.
inline __m128i ColourPair(__m128i lo, __m128i hi) {
    __m128i p = _mm_packs_epi32(_mm_srai_epi32(lo, kColourFractionBits), _mm_srai_epi32(hi, kColourFractionBits));
    p = _mm_min_epi16(_mm_max_epi16(p, _mm_setzero_si128()), _mm_set1_epi16(255));
    return _mm_unpacklo_epi16(p, _mm_srli_si128(p, 8));
}

// 32-bit lanes of 0..65535 packed to four 16-bit values in the low half.
inline __m128i PackLow16(__m128i v) {
    const __m128i s = _mm_srai_epi32(_mm_slli_epi32(v, 16), 16);  // signed view, so the pack keeps the bits
    return _mm_packs_epi32(s, s);
}

// The depths (plane >> 16) of four pixels from the 64-bit depth plane value
// of the first and steps[0..1], the 64-bit steps of the four: exact where the
// plane stays within [0, 2^48), so each depth fits its 32-bit lane.
inline __m128i Depth32Lanes(uint64_t first, const __m128i* steps) {
    const __m128i base = _mm_set1_epi64x(static_cast<long long>(first));
    const __m128i lo = _mm_srli_epi64(_mm_add_epi64(base, steps[0]), kDepthFractionBits);
    const __m128i hi = _mm_srli_epi64(_mm_add_epi64(base, steps[1]), kDepthFractionBits);
    return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(lo), _mm_castsi128_ps(hi), _MM_SHUFFLE(2, 0, 2, 0)));
}

// DepthPasses on four lanes of signed-comparable values.
inline __m128i DepthMask(DepthFunc f, __m128i z, __m128i stored) {
    const __m128i ones = _mm_set1_epi32(-1);
    switch (f) {
        case DepthFunc::Less:
            return _mm_cmpgt_epi32(stored, z);
        case DepthFunc::LessEqual:
            return _mm_xor_si128(_mm_cmpgt_epi32(z, stored), ones);
        case DepthFunc::Greater:
            return _mm_cmpgt_epi32(z, stored);
        default:
            return _mm_xor_si128(_mm_cmpgt_epi32(stored, z), ones);
    }
}

// Texel indices of four pixels, gathered.
inline __m128i Gather(const uint32_t* texels, __m128i index) {
    alignas(16) int32_t i[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(i), index);
    return _mm_setr_epi32(static_cast<int>(texels[i[0]]), static_cast<int>(texels[i[1]]),
                          static_cast<int>(texels[i[2]]), static_cast<int>(texels[i[3]]));
}

// The texels at index and index + 1 of four pixels, one 64-bit load each:
// left holds the first of each pair, right the second.
inline void GatherPairs(const uint32_t* texels, __m128i index, __m128i& left, __m128i& right) {
    alignas(16) int32_t i[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(i), index);
    auto pair = [&](int k) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(texels + i[k])); };
    const __m128 p01 = _mm_castsi128_ps(_mm_unpacklo_epi64(pair(0), pair(1)));  // l0 r0 l1 r1
    const __m128 p23 = _mm_castsi128_ps(_mm_unpacklo_epi64(pair(2), pair(3)));  // l2 r2 l3 r3
    left = _mm_castps_si128(_mm_shuffle_ps(p01, p23, _MM_SHUFFLE(2, 0, 2, 0)));
    right = _mm_castps_si128(_mm_shuffle_ps(p01, p23, _MM_SHUFFLE(3, 1, 3, 1)));
}

// SampleNearest for four pixels of one power-of-two level.
inline void Nearest4(const TexLevel& l, int level, __m128i u, __m128i v, __m128i& rb, __m128i& ag) {
    const __m128i count = _mm_cvtsi32_si128(level);
    const __m128i x = _mm_and_si128(_mm_srai_epi32(_mm_sra_epi32(u, count), 8), Set1(l.width - 1));
    const __m128i y = _mm_and_si128(_mm_srai_epi32(_mm_sra_epi32(v, count), 8), Set1(l.height - 1));
    const __m128i t = Gather(l.texels, _mm_add_epi32(_mm_sll_epi32(y, _mm_cvtsi32_si128(l.widthShift)), x));
    rb = BlueRed(t);
    ag = GreenAlpha(t);
}

// SampleBilinear for four pixels of one power-of-two level.
inline void Bilinear4(const TexLevel& l, int level, __m128i u, __m128i v, __m128i& rb, __m128i& ag) {
    const __m128i count = _mm_cvtsi32_si128(level), shift = _mm_cvtsi32_si128(l.widthShift);
    const __m128i half = Set1(128), one = Set1(1), low = Set1(255);
    const __m128i fu = _mm_sub_epi32(_mm_sra_epi32(u, count), half);
    const __m128i fv = _mm_sub_epi32(_mm_sra_epi32(v, count), half);
    const __m128i wx = Pair16(_mm_and_si128(fu, low)), wy = Pair16(_mm_and_si128(fv, low));
    const __m128i x = _mm_srai_epi32(fu, 8), y = _mm_srai_epi32(fv, 8);
    const __m128i wm = Set1(l.width - 1), hm = Set1(l.height - 1);
    const __m128i x0 = _mm_and_si128(x, wm), x1 = _mm_and_si128(_mm_add_epi32(x, one), wm);
    const __m128i r0 = _mm_sll_epi32(_mm_and_si128(y, hm), shift);
    const __m128i r1 = _mm_sll_epi32(_mm_and_si128(_mm_add_epi32(y, one), hm), shift);
    __m128i t00, t01, t10, t11;
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(x0, wm)) == 0) {
        // No pixel wraps from the last column to the first: each row's two
        // texels sit side by side.
        GatherPairs(l.texels, _mm_add_epi32(r0, x0), t00, t01);
        GatherPairs(l.texels, _mm_add_epi32(r1, x0), t10, t11);
    } else {
        t00 = Gather(l.texels, _mm_add_epi32(r0, x0));
        t01 = Gather(l.texels, _mm_add_epi32(r0, x1));
        t10 = Gather(l.texels, _mm_add_epi32(r1, x0));
        t11 = Gather(l.texels, _mm_add_epi32(r1, x1));
    }
    rb = Lerp16(Lerp16(BlueRed(t00), BlueRed(t01), wx), Lerp16(BlueRed(t10), BlueRed(t11), wx), wy);
    ag = Lerp16(Lerp16(GreenAlpha(t00), GreenAlpha(t01), wx), Lerp16(GreenAlpha(t10), GreenAlpha(t11), wx), wy);
}

// Dither thresholds of Lanes pixels starting at x, by [y & 3][x & 3]: the
// blue/red and the green additions of StoreTarget (for the SSE2 shader's four
// lanes and the AVX2 shader's eight).
template <int Lanes>
struct DitherRows {
    alignas(4 * Lanes) uint32_t rb[4][4][Lanes];
    alignas(4 * Lanes) uint32_t g[4][4][Lanes];
};
template <int Lanes>
inline constexpr DitherRows<Lanes> kDitherRows = [] {
    DitherRows<Lanes> d{};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            for (int i = 0; i < Lanes; ++i) {
                const uint32_t t = kBayer4[y][(x + i) & 3];
                d.rb[y][x][i] = (t >> 1) | ((t >> 1) << 16);
                d.g[y][x][i] = t >> 2;
            }
    return d;
}();
inline constexpr const DitherRows<4>& kDither = kDitherRows<4>;

// Four pixels of the frame row unpacked like UnpackTarget (alpha 0).
template <TargetKind Target>
inline void LoadTarget(const uint8_t* row, int x, __m128i& rb, __m128i& ag) {
    if constexpr (Target == TargetKind::XRGB8888) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4 * x));
        rb = BlueRed(p);
        ag = _mm_and_si128(_mm_srli_epi32(p, 8), Set1(255));
    } else {
        const __m128i p =
            _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + 2 * x)), _mm_setzero_si128());
        const __m128i r = _mm_and_si128(_mm_srli_epi32(p, 11), Set1(31));
        const __m128i g = _mm_and_si128(_mm_srli_epi32(p, 5), Set1(63));
        const __m128i b = _mm_and_si128(p, Set1(31));
        const __m128i r8 = _mm_or_si128(_mm_slli_epi32(r, 3), _mm_srli_epi32(r, 2));
        const __m128i b8 = _mm_or_si128(_mm_slli_epi32(b, 3), _mm_srli_epi32(b, 2));
        rb = _mm_or_si128(b8, _mm_slli_epi32(r8, 16));
        ag = _mm_or_si128(_mm_slli_epi32(g, 2), _mm_srli_epi32(g, 4));
    }
}

// Stores the lanes selected by mask (all ones or zero per lane), leaving the
// other pixels of the row as they were.
inline void MaskedStore64(uint8_t* p, __m128i value, __m128i mask) {
    const __m128i old = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p),
                     _mm_or_si128(_mm_and_si128(mask, value), _mm_andnot_si128(mask, old)));
}
inline void MaskedStore128(uint8_t* p, __m128i value, __m128i mask) {
    const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p),
                     _mm_or_si128(_mm_and_si128(mask, value), _mm_andnot_si128(mask, old)));
}

// ShadePixel for the pixels of x..x+3 selected by lanes (all ones or zero per
// lane), at full coverage.
template <class Cfg>
TESSALY_RASTER_INLINE void Shade4(const DrawContext& dc, uint8_t* colourRow, uint8_t* depthRow, int x, int y,
                                  const Lanes4& in, const BlockMip& mip, __m128i lanes) {
    __m128i mask = _mm_set1_epi32(-1);
    __m128i z = _mm_setzero_si128();
    if constexpr (Cfg::kDepth == DepthKind::Bits16) {
        // Plane values in [0, 2^32): z = value >> 16 needs no clamp.
        z = _mm_srli_epi32(in.z, kDepthFractionBits);
        const __m128i stored = _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(depthRow + 2 * x)),
                                                  _mm_setzero_si128());
        mask = DepthMask(dc.depthFunc, z, stored);  // both sides 0..65535: signed compares are exact
    } else if constexpr (Cfg::kDepth == DepthKind::Bits32) {
        // Unsigned 32-bit depths, compared signed with the top bit flipped.
        z = in.z;
        const __m128i flip = Set1(INT32_MIN);
        const __m128i stored = _mm_loadu_si128(reinterpret_cast<const __m128i*>(depthRow + 4 * x));
        mask = DepthMask(dc.depthFunc, _mm_xor_si128(z, flip), _mm_xor_si128(stored, flip));
    }
    mask = _mm_and_si128(mask, lanes);
    if (_mm_movemask_epi8(mask) == 0) return;
    __m128i rb = ColourPair(in.b, in.r), ag = ColourPair(in.g, in.a);
    if constexpr (Cfg::kTex != TexKind::None) {
        __m128i trb, tag;
        if constexpr (Cfg::kTex == TexKind::Nearest) {
            Nearest4(dc.levels[mip.level], mip.level, in.u, in.v, trb, tag);
        } else {
            Bilinear4(dc.levels[mip.level], mip.level, in.u, in.v, trb, tag);
            if (mip.blend) {
                __m128i nrb, nag;
                Bilinear4(dc.levels[mip.level + 1], mip.level + 1, in.u, in.v, nrb, nag);
                const __m128i f = Pair16(_mm_and_si128(in.lod, Set1(255)));
                trb = Lerp16(trb, nrb, f);
                tag = Lerp16(tag, nag, f);
            }
        }
        rb = Modulate16(trb, rb);
        ag = Modulate16(tag, ag);
    }
    // Blending; the alpha lane is not stored, so it may be left as it falls.
    if (dc.blend == BLEND_SOURCE_COLOUR) {
        rb = Modulate16(rb, rb);
        ag = Modulate16(ag, ag);
    } else if (dc.blend != 0) {
        __m128i drb, dag;
        LoadTarget<Cfg::kTarget>(colourRow, x, drb, dag);
        if (dc.blend == BLEND_ADDITIVE) {
            rb = _mm_min_epi16(_mm_add_epi16(rb, drb), _mm_set1_epi16(255));
            ag = _mm_min_epi16(_mm_add_epi16(ag, dag), _mm_set1_epi16(255));
        } else {  // translucent
            __m128i a = _mm_srli_epi32(ag, 16);
            a = Pair16(_mm_add_epi32(a, _mm_srli_epi32(a, 7)));
            rb = Lerp16(rb, drb, a);
            ag = Lerp16(ag, dag, a);
        }
    }
    if constexpr (Cfg::kTarget == TargetKind::XRGB8888) {
        const __m128i p = _mm_or_si128(rb, _mm_slli_epi32(_mm_and_si128(ag, Set1(255)), 8));
        MaskedStore128(colourRow + 4 * x, p, mask);
    } else {
        if constexpr (Cfg::kTarget == TargetKind::RGB565Dither) {
            const __m128i d = _mm_load_si128(reinterpret_cast<const __m128i*>(kDither.rb[y & 3][x & 3]));
            const __m128i dg = _mm_load_si128(reinterpret_cast<const __m128i*>(kDither.g[y & 3][x & 3]));
            rb = _mm_min_epi16(_mm_add_epi16(rb, d), _mm_set1_epi16(255));
            ag = _mm_min_epi16(_mm_add_epi16(ag, dg), _mm_set1_epi16(255));
        }
        // ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3), from the channels' lanes.
        const __m128i p = _mm_or_si128(_mm_or_si128(_mm_and_si128(_mm_srli_epi32(rb, 3), Set1(0x001F)),
                                                    _mm_and_si128(_mm_srli_epi32(rb, 8), Set1(0xF800))),
                                       _mm_and_si128(_mm_slli_epi32(ag, 3), Set1(0x07E0)));
        MaskedStore64(colourRow + 2 * x, PackLow16(p), _mm_packs_epi32(mask, mask));
    }
    if constexpr (Cfg::kDepth == DepthKind::Bits16) {
        if (dc.depthWrite) MaskedStore64(depthRow + 2 * x, PackLow16(z), _mm_packs_epi32(mask, mask));
    } else if constexpr (Cfg::kDepth == DepthKind::Bits32) {
        if (dc.depthWrite) MaskedStore128(depthRow + 4 * x, z, mask);
    }
}

// Texel point lanes a + ((b - a) k >> 3) for k = k0..k0+3 (d = b - a, with
// |d| < 2^27 so d k fits).
inline __m128i SegmentLanes(int32_t a, int32_t d, int k0) {
    return _mm_add_epi32(Set1(a), _mm_srai_epi32(_mm_setr_epi32(d * k0, d * (k0 + 1), d * (k0 + 2), d * (k0 + 3)), 3));
}

// SegmentLerp(a, b, k, len) for len 1..7 without a division per value: the
// quotient of |d k| / len estimated with a reciprocal (off by at most one,
// as |d k| < 2^35) and corrected by its remainder, so it is the exact
// truncated quotient.
struct ShortLerp {
    double inv;
    int len;
    int32_t At(int32_t a, int32_t b, int k) const {
        const int64_t n = (static_cast<int64_t>(b) - a) * k;
        const int64_t m = n < 0 ? -n : n;
        int64_t q = static_cast<int64_t>(static_cast<double>(m) * inv);
        const int64_t r = m - q * len;
        if (r < 0)
            --q;
        else if (r >= len)
            ++q;
        return static_cast<int32_t>(a + (n < 0 ? -q : q));
    }
};

// The mip choice of SampleTexture at one level of detail.
template <TexKind Kind>
inline BlockMip ChooseMip(int lod, int last) {
    BlockMip m;
    if constexpr (Kind == TexKind::Nearest) {
        m.level = lod <= 128 ? 0 : (lod + 128) >> 8;
        if (m.level > last) m.level = last;
    } else {
        if (lod <= 0) return m;
        m.level = lod >> 8;
        if (m.level >= last)
            m.level = last;
        else
            m.blend = true;
    }
    return m;
}

}  // namespace block

// Shades the pixels of one segment of a span as ShadePixel would one by one:
// the segment starts at x with texel point ta and ends len pixels on at tb; a
// full segment (len 8) covers x..x+7, a span's last segment x..x+len. in
// holds the plane values at x and steps the triangle's lane steps; the caller
// has checked with PlaneFits that the colour planes stay within +-2^30 and the
// depth plane within [0, kBlockDepthLimit] over the span, and that x..x+7 lies inside the
// surfaces (lanes past the segment are read and written back unchanged).
// False, with nothing drawn, when the segment needs the per-pixel path: texel
// steps too large for 32-bit lanes or more than one mip choice across it.
template <class Cfg>
TESSALY_RASTER_INLINE bool ShadeSegment(const DrawContext& dc, uint8_t* colourRow, uint8_t* depthRow, int x, int y,
                                        const uint64_t* in, const BlockSteps& steps, const TexPoint& ta,
                                        const TexPoint& tb, int len) {
    Lanes4 lanes[2];
    BlockMip mip;
    for (Lanes4& l : lanes) l.z = l.u = l.v = l.lod = _mm_setzero_si128();  // unused ones fold away
    if constexpr (Cfg::kTex != TexKind::None) {
        const int last = dc.levelCount - 1;
        if (len == 8) {
            constexpr int64_t kMaxStep = int64_t{1} << 27;
            const int64_t du = int64_t{tb.u} - ta.u, dv = int64_t{tb.v} - ta.v, dl = int64_t{tb.lod} - ta.lod;
            if (du <= -kMaxStep || du >= kMaxStep || dv <= -kMaxStep || dv >= kMaxStep) return false;
            // The level of detail moves monotonically across the segment, and
            // each mip choice covers one interval of it: equal choices at both
            // ends mean one choice throughout.
            mip = block::ChooseMip<Cfg::kTex>(ta.lod, last);
            const BlockMip end = block::ChooseMip<Cfg::kTex>(ta.lod + static_cast<int32_t>((7 * dl) >> 3), last);
            if (end.level != mip.level || end.blend != mip.blend) return false;
            for (int g = 0; g < 2; ++g) {
                lanes[g].u = block::SegmentLanes(ta.u, static_cast<int32_t>(du), 4 * g);
                lanes[g].v = block::SegmentLanes(ta.v, static_cast<int32_t>(dv), 4 * g);
                lanes[g].lod = block::SegmentLanes(ta.lod, static_cast<int32_t>(dl), 4 * g);
            }
        } else {
            // A short segment: its points one by one (lanes past its end
            // repeat the last point).
            alignas(16) int32_t u[8], v[8], lod[8];
            const block::ShortLerp lerp{1.0 / (len > 0 ? len : 1), len > 0 ? len : 1};
            for (int k = 0; k < 8; ++k) {
                const int at = k < len ? k : len;
                u[k] = lerp.At(ta.u, tb.u, at);
                v[k] = lerp.At(ta.v, tb.v, at);
                lod[k] = lerp.At(ta.lod, tb.lod, at);
            }
            mip = block::ChooseMip<Cfg::kTex>(lod[0], last);
            const BlockMip end = block::ChooseMip<Cfg::kTex>(lod[len], last);
            if (end.level != mip.level || end.blend != mip.blend) return false;
            for (int g = 0; g < 2; ++g) {
                lanes[g].u = _mm_load_si128(reinterpret_cast<const __m128i*>(u + 4 * g));
                lanes[g].v = _mm_load_si128(reinterpret_cast<const __m128i*>(v + 4 * g));
                lanes[g].lod = _mm_load_si128(reinterpret_cast<const __m128i*>(lod + 4 * g));
            }
        }
    }
    __m128i* first[kPlaneU] = {&lanes[0].z, &lanes[0].r, &lanes[0].g, &lanes[0].b, &lanes[0].a};
    __m128i* second[kPlaneU] = {&lanes[1].z, &lanes[1].r, &lanes[1].g, &lanes[1].b, &lanes[1].a};
    for (int k = Cfg::kDepth == DepthKind::Bits16 ? kPlaneZ : kPlaneR; k < kPlaneU; ++k) {
        *first[k] = _mm_add_epi32(_mm_set1_epi32(static_cast<int>(static_cast<uint32_t>(in[k]))), steps.ramp[k]);
        *second[k] = _mm_add_epi32(*first[k], steps.four[k]);
    }
    if constexpr (Cfg::kDepth == DepthKind::Bits32) {
        lanes[0].z = block::Depth32Lanes(in[kPlaneZ], steps.depth64);
        lanes[1].z = block::Depth32Lanes(in[kPlaneZ], steps.depth64 + 2);
    }
    // Lanes inside the segment: all 8 of a full one, len + 1 of a last one.
    const __m128i count = _mm_set1_epi32(len == 8 ? 8 : len + 1);
    const __m128i lane = _mm_setr_epi32(0, 1, 2, 3);
    block::Shade4<Cfg>(dc, colourRow, depthRow, x, y, lanes[0], mip, _mm_cmpgt_epi32(count, lane));
    block::Shade4<Cfg>(dc, colourRow, depthRow, x + 4, y, lanes[1], mip,
                       _mm_cmpgt_epi32(count, _mm_add_epi32(lane, _mm_set1_epi32(4))));
    return true;
}

// The SSE2 block shader as the fast walker takes it.
struct Sse2Blocks {
    using Steps = BlockSteps;
    static void Setup(const TriangleSetup& ts, Steps& s) { SetupBlockSteps(ts, s); }
    template <class Cfg>
    TESSALY_RASTER_INLINE static bool Segment(const DrawContext& dc, uint8_t* colourRow, uint8_t* depthRow, int x,
                                              int y, const uint64_t* in, const Steps& steps, const TexPoint& ta,
                                              const TexPoint& tb, int len) {
        return ShadeSegment<Cfg>(dc, colourRow, depthRow, x, y, in, steps, ta, tb, len);
    }
};

}  // namespace raster
