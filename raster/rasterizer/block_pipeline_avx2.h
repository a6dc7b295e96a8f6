// The block shader of block_pipeline.h in AVX2: all eight pixels of a segment
// in one set of 256-bit registers. Every step is the same integer arithmetic
// as the SSE2 shader (and so as ShadePixel), lane for lane. Included only by
// spans_avx2.cpp, inside its AVX2 target region.
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "raster/rasterizer/block_pipeline.h"

namespace raster {

namespace block8 {

// Plane values of eight consecutive pixels, one per 32-bit lane.
struct Lanes8 {
    __m256i z, r, g, b, a;
    __m256i u, v, lod;
};

// (0..7) x dx and 8 x dx of the depth and colour planes, wrapping 32-bit;
// (0..3) x dx and (4..7) x dx of the depth plane, wrapping 64-bit, for
// 32-bit depth surfaces.
struct Steps {
    __m256i ramp[kPlaneU], eight[kPlaneU];
    __m256i depth64[2];
};
inline void SetupSteps(const TriangleSetup& ts, Steps& s) {
    for (int k = 0; k < kPlaneU; ++k) {
        const uint32_t d = static_cast<uint32_t>(ts.plane[k].dx);
        s.ramp[k] =
            _mm256_mullo_epi32(_mm256_set1_epi32(static_cast<int>(d)), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
        s.eight[k] = _mm256_set1_epi32(static_cast<int>(8 * d));
    }
    const uint64_t dz = ts.plane[kPlaneZ].dx;
    for (int k = 0; k < 2; ++k) {
        const uint64_t at = 4 * static_cast<uint64_t>(k);
        s.depth64[k] = _mm256_setr_epi64x(static_cast<long long>(at * dz), static_cast<long long>((at + 1) * dz),
                                          static_cast<long long>((at + 2) * dz), static_cast<long long>((at + 3) * dz));
    }
}

// The depths (plane >> 16) of eight pixels from the 64-bit depth plane value
// of the first: exact where the plane stays within [0, 2^48).
inline __m256i Depth32Lanes(uint64_t first, const Steps& s) {
    const __m256i base = _mm256_set1_epi64x(static_cast<long long>(first));
    const __m256i lo = _mm256_srli_epi64(_mm256_add_epi64(base, s.depth64[0]), kDepthFractionBits);
    const __m256i hi = _mm256_srli_epi64(_mm256_add_epi64(base, s.depth64[1]), kDepthFractionBits);
    // lo0 lo1 hi0 hi1 | lo2 lo3 hi2 hi3, then the middle quarters swapped.
    const __m256 mixed = _mm256_shuffle_ps(_mm256_castsi256_ps(lo), _mm256_castsi256_ps(hi), _MM_SHUFFLE(2, 0, 2, 0));
    return _mm256_permute4x64_epi64(_mm256_castps_si256(mixed), 0xD8);
}

// DepthPasses on eight lanes of signed-comparable values.
inline __m256i DepthMask(DepthFunc f, __m256i z, __m256i stored) {
    const __m256i ones = _mm256_set1_epi32(-1);
    switch (f) {
        case DepthFunc::Less:
            return _mm256_cmpgt_epi32(stored, z);
        case DepthFunc::LessEqual:
            return _mm256_xor_si256(_mm256_cmpgt_epi32(z, stored), ones);
        case DepthFunc::Greater:
            return _mm256_cmpgt_epi32(z, stored);
        default:
            return _mm256_xor_si256(_mm256_cmpgt_epi32(stored, z), ones);
    }
}

inline __m256i Set1(int32_t v) { return _mm256_set1_epi32(v); }
inline __m256i Pair16(__m256i w) { return _mm256_or_si256(w, _mm256_slli_epi32(w, 16)); }

inline __m256i Lerp16(__m256i a, __m256i b, __m256i w) {
    const __m256i iw = _mm256_sub_epi16(_mm256_set1_epi16(256), w);
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(a, iw), _mm256_mullo_epi16(b, w)), 8);
}
inline __m256i Modulate16(__m256i t, __m256i d) {
    return _mm256_srli_epi16(_mm256_mullo_epi16(t, _mm256_add_epi16(d, _mm256_set1_epi16(1))), 8);
}
inline __m256i BlueRed(__m256i t) { return _mm256_and_si256(t, Set1(0x00FF00FF)); }
inline __m256i GreenAlpha(__m256i t) { return _mm256_and_si256(_mm256_srli_epi32(t, 8), Set1(0x00FF00FF)); }

// Two colour planes as ColourChannel gives them, lo in the low and hi in the
// high 16-bit half of each lane (the packs and unpacks work within each
// 128-bit half, so the lanes stay in order).
inline __m256i ColourPair(__m256i lo, __m256i hi) {
    __m256i p =
        _mm256_packs_epi32(_mm256_srai_epi32(lo, kColourFractionBits), _mm256_srai_epi32(hi, kColourFractionBits));
    p = _mm256_min_epi16(_mm256_max_epi16(p, _mm256_setzero_si256()), _mm256_set1_epi16(255));
    return _mm256_unpacklo_epi16(p, _mm256_srli_si256(p, 8));
}

// Eight 32-bit lanes of 0..65535 as eight 16-bit values, in order.
inline __m128i Pack16(__m256i v) {
    const __m256i s = _mm256_srai_epi32(_mm256_slli_epi32(v, 16), 16);
    const __m256i p = _mm256_packs_epi32(s, s);  // s0..3 s0..3 | s4..7 s4..7
    return _mm256_castsi256_si128(_mm256_permute4x64_epi64(p, 0x08));
}
// A lane mask (all ones or zero per 32-bit lane) as eight 16-bit lanes.
inline __m128i Mask16(__m256i mask) {
    return _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packs_epi32(mask, mask), 0x08));
}

inline __m256i Gather(const uint32_t* texels, __m256i index) {
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(texels), index, 4);
}

inline void Nearest8(const TexLevel& l, int level, __m256i u, __m256i v, __m256i& rb, __m256i& ag) {
    const __m128i count = _mm_cvtsi32_si128(level);
    const __m256i x = _mm256_and_si256(_mm256_srai_epi32(_mm256_sra_epi32(u, count), 8), Set1(l.width - 1));
    const __m256i y = _mm256_and_si256(_mm256_srai_epi32(_mm256_sra_epi32(v, count), 8), Set1(l.height - 1));
    const __m256i t = Gather(l.texels, _mm256_add_epi32(_mm256_sll_epi32(y, _mm_cvtsi32_si128(l.widthShift)), x));
    rb = BlueRed(t);
    ag = GreenAlpha(t);
}

inline void Bilinear8(const TexLevel& l, int level, __m256i u, __m256i v, __m256i& rb, __m256i& ag) {
    const __m128i count = _mm_cvtsi32_si128(level), shift = _mm_cvtsi32_si128(l.widthShift);
    const __m256i half = Set1(128), one = Set1(1), low = Set1(255);
    const __m256i fu = _mm256_sub_epi32(_mm256_sra_epi32(u, count), half);
    const __m256i fv = _mm256_sub_epi32(_mm256_sra_epi32(v, count), half);
    const __m256i wx = Pair16(_mm256_and_si256(fu, low)), wy = Pair16(_mm256_and_si256(fv, low));
    const __m256i x = _mm256_srai_epi32(fu, 8), y = _mm256_srai_epi32(fv, 8);
    const __m256i wm = Set1(l.width - 1), hm = Set1(l.height - 1);
    const __m256i x0 = _mm256_and_si256(x, wm), x1 = _mm256_and_si256(_mm256_add_epi32(x, one), wm);
    const __m256i r0 = _mm256_sll_epi32(_mm256_and_si256(y, hm), shift);
    const __m256i r1 = _mm256_sll_epi32(_mm256_and_si256(_mm256_add_epi32(y, one), hm), shift);
    const __m256i t00 = Gather(l.texels, _mm256_add_epi32(r0, x0));
    const __m256i t01 = Gather(l.texels, _mm256_add_epi32(r0, x1));
    const __m256i t10 = Gather(l.texels, _mm256_add_epi32(r1, x0));
    const __m256i t11 = Gather(l.texels, _mm256_add_epi32(r1, x1));
    rb = Lerp16(Lerp16(BlueRed(t00), BlueRed(t01), wx), Lerp16(BlueRed(t10), BlueRed(t11), wx), wy);
    ag = Lerp16(Lerp16(GreenAlpha(t00), GreenAlpha(t01), wx), Lerp16(GreenAlpha(t10), GreenAlpha(t11), wx), wy);
}

inline constexpr const block::DitherRows<8>& kDither8 = block::kDitherRows<8>;

template <TargetKind Target>
inline void LoadTarget(const uint8_t* row, int x, __m256i& rb, __m256i& ag) {
    if constexpr (Target == TargetKind::XRGB8888) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + 4 * x));
        rb = BlueRed(p);
        ag = _mm256_and_si256(_mm256_srli_epi32(p, 8), Set1(255));
    } else {
        const __m256i p = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 2 * x)));
        const __m256i r = _mm256_and_si256(_mm256_srli_epi32(p, 11), Set1(31));
        const __m256i g = _mm256_and_si256(_mm256_srli_epi32(p, 5), Set1(63));
        const __m256i b = _mm256_and_si256(p, Set1(31));
        const __m256i r8 = _mm256_or_si256(_mm256_slli_epi32(r, 3), _mm256_srli_epi32(r, 2));
        const __m256i b8 = _mm256_or_si256(_mm256_slli_epi32(b, 3), _mm256_srli_epi32(b, 2));
        rb = _mm256_or_si256(b8, _mm256_slli_epi32(r8, 16));
        ag = _mm256_or_si256(_mm256_slli_epi32(g, 2), _mm256_srli_epi32(g, 4));
    }
}

inline void MaskedStore128(uint8_t* p, __m128i value, __m128i mask) {
    const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p),
                     _mm_or_si128(_mm_and_si128(mask, value), _mm_andnot_si128(mask, old)));
}
inline void MaskedStore256(uint8_t* p, __m256i value, __m256i mask) {
    const __m256i old = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p),
                        _mm256_or_si256(_mm256_and_si256(mask, value), _mm256_andnot_si256(mask, old)));
}

// Shade4 of block_pipeline.h for the pixels of x..x+7 selected by lanes.
template <class Cfg>
TESSALY_RASTER_INLINE void Shade8(const DrawContext& dc, uint8_t* colourRow, uint8_t* depthRow, int x, int y,
                                  const Lanes8& in, const BlockMip& mip, __m256i lanes) {
    __m256i mask = _mm256_set1_epi32(-1);
    __m256i z = _mm256_setzero_si256();
    if constexpr (Cfg::kDepth == DepthKind::Bits16) {
        z = _mm256_srli_epi32(in.z, kDepthFractionBits);
        const __m256i stored =
            _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(depthRow + 2 * x)));
        mask = DepthMask(dc.depthFunc, z, stored);
    } else if constexpr (Cfg::kDepth == DepthKind::Bits32) {
        z = in.z;
        const __m256i flip = Set1(INT32_MIN);
        const __m256i stored = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(depthRow + 4 * x));
        mask = DepthMask(dc.depthFunc, _mm256_xor_si256(z, flip), _mm256_xor_si256(stored, flip));
    }
    mask = _mm256_and_si256(mask, lanes);
    if (_mm256_movemask_epi8(mask) == 0) return;
    __m256i rb = ColourPair(in.b, in.r), ag = ColourPair(in.g, in.a);
    if constexpr (Cfg::kTex != TexKind::None) {
        __m256i trb, tag;
        if constexpr (Cfg::kTex == TexKind::Nearest) {
            Nearest8(dc.levels[mip.level], mip.level, in.u, in.v, trb, tag);
        } else {
            Bilinear8(dc.levels[mip.level], mip.level, in.u, in.v, trb, tag);
            if (mip.blend) {
                __m256i nrb, nag;
                Bilinear8(dc.levels[mip.level + 1], mip.level + 1, in.u, in.v, nrb, nag);
                const __m256i f = Pair16(_mm256_and_si256(in.lod, Set1(255)));
                trb = Lerp16(trb, nrb, f);
                tag = Lerp16(tag, nag, f);
            }
        }
        rb = Modulate16(trb, rb);
        ag = Modulate16(tag, ag);
    }
    if (dc.blend == BLEND_SOURCE_COLOUR) {
        rb = Modulate16(rb, rb);
        ag = Modulate16(ag, ag);
    } else if (dc.blend != 0) {
        __m256i drb, dag;
        LoadTarget<Cfg::kTarget>(colourRow, x, drb, dag);
        if (dc.blend == BLEND_ADDITIVE) {
            rb = _mm256_min_epi16(_mm256_add_epi16(rb, drb), _mm256_set1_epi16(255));
            ag = _mm256_min_epi16(_mm256_add_epi16(ag, dag), _mm256_set1_epi16(255));
        } else {
            __m256i a = _mm256_srli_epi32(ag, 16);
            a = Pair16(_mm256_add_epi32(a, _mm256_srli_epi32(a, 7)));
            rb = Lerp16(rb, drb, a);
            ag = Lerp16(ag, dag, a);
        }
    }
    if constexpr (Cfg::kTarget == TargetKind::XRGB8888) {
        const __m256i p = _mm256_or_si256(rb, _mm256_slli_epi32(_mm256_and_si256(ag, Set1(255)), 8));
        MaskedStore256(colourRow + 4 * x, p, mask);
    } else {
        if constexpr (Cfg::kTarget == TargetKind::RGB565Dither) {
            const __m256i d = _mm256_load_si256(reinterpret_cast<const __m256i*>(kDither8.rb[y & 3][x & 3]));
            const __m256i dg = _mm256_load_si256(reinterpret_cast<const __m256i*>(kDither8.g[y & 3][x & 3]));
            rb = _mm256_min_epi16(_mm256_add_epi16(rb, d), _mm256_set1_epi16(255));
            ag = _mm256_min_epi16(_mm256_add_epi16(ag, dg), _mm256_set1_epi16(255));
        }
        const __m256i p = _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(rb, 3), Set1(0x001F)),
                                                          _mm256_and_si256(_mm256_srli_epi32(rb, 8), Set1(0xF800))),
                                          _mm256_and_si256(_mm256_slli_epi32(ag, 3), Set1(0x07E0)));
        MaskedStore128(colourRow + 2 * x, Pack16(p), Mask16(mask));
    }
    if constexpr (Cfg::kDepth == DepthKind::Bits16) {
        if (dc.depthWrite) MaskedStore128(depthRow + 2 * x, Pack16(z), Mask16(mask));
    } else if constexpr (Cfg::kDepth == DepthKind::Bits32) {
        if (dc.depthWrite) MaskedStore256(depthRow + 4 * x, z, mask);
    }
}

// block::ShortLerp for the eight lanes k = 0..7 of a short segment (len 0 to
// 7, lane k at min(k, len)), in doubles: every product, quotient estimate
// and remainder is an integer below 2^53, so each step is exact and the
// result is the same truncated quotient, lane for lane.
struct ShortLerp8 {
    __m256d at[2];  // min(k, len) of lanes 0..3 and 4..7
    __m256d inv, len;
    explicit ShortLerp8(int n) {
        const int l = n > 0 ? n : 1;
        const __m128i k = _mm_setr_epi32(0, 1, 2, 3);
        at[0] = _mm256_cvtepi32_pd(_mm_min_epi32(k, _mm_set1_epi32(n)));
        at[1] = _mm256_cvtepi32_pd(_mm_min_epi32(_mm_add_epi32(k, _mm_set1_epi32(4)), _mm_set1_epi32(n)));
        inv = _mm256_set1_pd(1.0 / l);
        len = _mm256_set1_pd(static_cast<double>(l));
    }
    __m128i Half(__m256d a, __m256d d, __m256d k) const {
        const __m256d sign = _mm256_set1_pd(-0.0), one = _mm256_set1_pd(1.0);
        const __m256d n = _mm256_mul_pd(d, k);  // |d| < 2^33, k <= 7
        const __m256d m = _mm256_andnot_pd(sign, n);
        __m256d q = _mm256_round_pd(_mm256_mul_pd(m, inv), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
        const __m256d r = _mm256_sub_pd(m, _mm256_mul_pd(q, len));
        q = _mm256_sub_pd(q, _mm256_and_pd(_mm256_cmp_pd(r, _mm256_setzero_pd(), _CMP_LT_OQ), one));
        q = _mm256_add_pd(q, _mm256_and_pd(_mm256_cmp_pd(r, len, _CMP_GE_OQ), one));
        q = _mm256_or_pd(q, _mm256_and_pd(n, sign));  // q >= 0 takes the sign of n
        return _mm256_cvttpd_epi32(_mm256_add_pd(a, q));  // between a and b: fits 32 bits
    }
    __m256i At(int32_t a, int32_t b) const {
        const __m256d ad = _mm256_set1_pd(a), d = _mm256_set1_pd(static_cast<double>(int64_t{b} - a));
        return _mm256_setr_m128i(Half(ad, d, at[0]), Half(ad, d, at[1]));
    }
};

inline __m256i SegmentLanes(int32_t a, int32_t d) {
    const __m256i k = _mm256_mullo_epi32(_mm256_set1_epi32(d), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    return _mm256_add_epi32(Set1(a), _mm256_srai_epi32(k, 3));
}

}  // namespace block8

// ShadeSegment of block_pipeline.h on eight lanes; the same conditions and result.
struct Avx2Blocks {
    using Steps = block8::Steps;
    static void Setup(const TriangleSetup& ts, Steps& s) { block8::SetupSteps(ts, s); }

    template <class Cfg>
    TESSALY_RASTER_INLINE static bool Segment(const DrawContext& dc, uint8_t* colourRow, uint8_t* depthRow, int x,
                                              int y, const uint64_t* in, const Steps& steps, const TexPoint& ta,
                                              const TexPoint& tb, int len) {
        block8::Lanes8 lanes;
        BlockMip mip;
        lanes.z = lanes.u = lanes.v = lanes.lod = _mm256_setzero_si256();
        if constexpr (Cfg::kTex != TexKind::None) {
            const int last = dc.levelCount - 1;
            if (len == 8) {
                constexpr int64_t kMaxStep = int64_t{1} << 27;
                const int64_t du = int64_t{tb.u} - ta.u, dv = int64_t{tb.v} - ta.v, dl = int64_t{tb.lod} - ta.lod;
                if (du <= -kMaxStep || du >= kMaxStep || dv <= -kMaxStep || dv >= kMaxStep) return false;
                mip = block::ChooseMip<Cfg::kTex>(ta.lod, last);
                const BlockMip end = block::ChooseMip<Cfg::kTex>(ta.lod + static_cast<int32_t>((7 * dl) >> 3), last);
                if (end.level != mip.level || end.blend != mip.blend) return false;
                lanes.u = block8::SegmentLanes(ta.u, static_cast<int32_t>(du));
                lanes.v = block8::SegmentLanes(ta.v, static_cast<int32_t>(dv));
                lanes.lod = block8::SegmentLanes(ta.lod, static_cast<int32_t>(dl));
            } else {
                // The points at both ends are ta and tb themselves (tb is ta
                // when len is 0), so the mip choice is known before the lerp.
                mip = block::ChooseMip<Cfg::kTex>(ta.lod, last);
                const BlockMip end = block::ChooseMip<Cfg::kTex>(tb.lod, last);
                if (end.level != mip.level || end.blend != mip.blend) return false;
                const block8::ShortLerp8 lerp(len);
                lanes.u = lerp.At(ta.u, tb.u);
                lanes.v = lerp.At(ta.v, tb.v);
                lanes.lod = lerp.At(ta.lod, tb.lod);
            }
        }
        __m256i* planes[kPlaneU] = {&lanes.z, &lanes.r, &lanes.g, &lanes.b, &lanes.a};
        for (int k = Cfg::kDepth == DepthKind::Bits16 ? kPlaneZ : kPlaneR; k < kPlaneU; ++k)
            *planes[k] =
                _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(static_cast<uint32_t>(in[k]))), steps.ramp[k]);
        if constexpr (Cfg::kDepth == DepthKind::Bits32) lanes.z = block8::Depth32Lanes(in[kPlaneZ], steps);
        const __m256i count = _mm256_set1_epi32(len == 8 ? 8 : len + 1);
        block8::Shade8<Cfg>(dc, colourRow, depthRow, x, y, lanes, mip,
                            _mm256_cmpgt_epi32(count, _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)));
        return true;
    }
};

}  // namespace raster
