// The fast walker's body: exact row spans from the edge functions, then
// attribute planes stepped by addition across each span and texture
// coordinates projected once per 8-pixel segment. Integer stepping is exact,
// so every pixel sees the same plane values the reference computes. Full
// segments go through a block shader (Blocks: the SSE2 one, or the AVX2 one
// built in its own file for processors that have it) where its 32-bit lanes
// hold the values exactly; the rest pixel by pixel.
//
// Only templates live here: the file is compiled for two instruction sets.
#pragma once

#include <algorithm>
#include <cstdint>

#include "raster/rasterizer/block_pipeline.h"
#include "raster/rasterizer/pixel_pipeline.h"

namespace raster {

template <class Blocks, class Cfg>
void FastTriangle(const DrawContext& dc, const TriangleSetup& ts) {
    auto floorDiv = [](int64_t n, int64_t d) {  // d > 0
        int64_t q = n / d;
        if ((n % d != 0) && (n < 0)) --q;
        return q;
    };
    constexpr bool kDepth = Cfg::kDepth != DepthKind::None;
    constexpr bool kTex = Cfg::kTex != TexKind::None;
    const uint64_t dz = ts.plane[kPlaneZ].dx;
    const uint64_t dr = ts.plane[kPlaneR].dx, dg = ts.plane[kPlaneG].dx;
    const uint64_t db = ts.plane[kPlaneB].dx, da = ts.plane[kPlaneA].dx;
    constexpr int64_t kColourRange = int64_t{1} << 30;
    typename Blocks::Steps steps;
    if constexpr (kBlockShaded<Cfg>) Blocks::Setup(ts, steps);
    for (int y = ts.minY; y <= ts.maxY; ++y) {
        int64_t lo = ts.minX, hi = ts.maxX;
        for (const EdgeFn& e : ts.edge) {
            const int64_t k = e.b * y + e.c;  // E(x) = a*x + k >= 0
            if (e.a > 0)
                lo = std::max(lo, -floorDiv(k, e.a));
            else if (e.a < 0)
                hi = std::min(hi, floorDiv(k, -e.a));
            else if (k < 0)
                hi = lo - 1;
        }
        if (lo > hi) continue;
        uint8_t* colourRow = dc.colour + static_cast<size_t>(y) * static_cast<size_t>(dc.colourPitch);
        uint8_t* depthRow = kDepth ? dc.depth + static_cast<size_t>(y) * static_cast<size_t>(dc.depthPitch) : nullptr;
        if (y < ts.maxY) {
            // The next row's span lies about here: ask for its frame and depth
            // lines now, so they arrive while this row is shaded.
            constexpr int kPixelBytes = Cfg::kTarget == TargetKind::XRGB8888 ? 4 : 2;
            constexpr int kDepthBytes = Cfg::kDepth == DepthKind::Bits32 ? 4 : 2;
            const uint8_t* nextColour = colourRow + dc.colourPitch;
            for (int64_t o = lo * kPixelBytes; o <= hi * kPixelBytes + 63; o += 64) __builtin_prefetch(nextColour + o, 1);
            if constexpr (kDepth) {
                const uint8_t* nextDepth = depthRow + dc.depthPitch;
                for (int64_t o = lo * kDepthBytes; o <= hi * kDepthBytes + 63; o += 64) __builtin_prefetch(nextDepth + o, 1);
            }
        }
        PixelInputs in;
        EvaluatePlanes(ts, static_cast<int>(lo), y, in);
        // Texture coordinates: exact at the ends of 8-pixel segments from the
        // span's start, linear in between.
        // The points are projected four at a time: point g of the span is at
        // min(lo + 8 g, hi) (the end of a last segment of length 0 is its
        // start, so the repeated point is the same).
        uint64_t tu = in.v[kPlaneU], tv = in.v[kPlaneV], tq = in.v[kPlaneQ];  // texture planes at planeX
        int64_t planeX = lo;
        int64_t nextX = lo;  // where the next point to project lies
        TexPoint points[4];
        int taken = 4;
        auto nextPoint = [&] {
            if (taken == 4) {
                uint64_t U[4], V[4], Q[4];
                for (int k = 0; k < 4; ++k) {
                    // The texture planes stepped along the row: the same
                    // wrapped 64-bit values as evaluating them afresh.
                    const uint64_t n = static_cast<uint64_t>(nextX - planeX);
                    tu += n * ts.plane[kPlaneU].dx;
                    tv += n * ts.plane[kPlaneV].dx;
                    tq += n * ts.plane[kPlaneQ].dx;
                    planeX = nextX;
                    nextX = std::min<int64_t>(nextX + 8, hi);
                    U[k] = tu;
                    V[k] = tv;
                    Q[k] = tq;
                }
                ProjectTexels4(dc, ts, U, V, Q, points);
                taken = 0;
            }
            return points[taken++];
        };
        TexPoint ta{0, 0, 0};
        if constexpr (kTex) ta = nextPoint();
        // Whether the span's blocks may use the block shader: its colour
        // planes within +-2^30 and its depth plane within [0,
        // kBlockDepthLimit] from end to end (then 32-bit lanes hold every
        // colour and depth and the depth clamp is a no-op).
        bool blocks = false;
        if constexpr (kBlockShaded<Cfg>) {
            const int64_t n = hi - lo;
            blocks = true;
            for (int k = kPlaneR; k <= kPlaneA; ++k)
                blocks = blocks && PlaneFits(in.v[k], ts.plane[k].dx, n, -kColourRange, kColourRange);
            if constexpr (kDepth) blocks = blocks && PlaneFits(in.v[kPlaneZ], dz, n, 0, kBlockDepthLimit<Cfg>);
        }
        for (int a = static_cast<int>(lo); a <= static_cast<int>(hi); a += 8) {
            const int b = a + 8 < hi ? a + 8 : static_cast<int>(hi);
            const int len = b - a;
            TexPoint tb = ta;
            if constexpr (kTex) tb = nextPoint();
            auto step = [&] {
                if constexpr (kDepth) in.v[kPlaneZ] += dz;
                in.v[kPlaneR] += dr;
                in.v[kPlaneG] += dg;
                in.v[kPlaneB] += db;
                in.v[kPlaneA] += da;
            };
            // The block shader's eight lanes must lie inside the surfaces.
            if (blocks && (len == 8 || a + 7 < dc.clipX1) &&
                Blocks::template Segment<Cfg>(dc, colourRow, depthRow, a, y, in.v, steps, ta, tb, len)) {
                if constexpr (kDepth) in.v[kPlaneZ] += 8 * dz;
                in.v[kPlaneR] += 8 * dr;
                in.v[kPlaneG] += 8 * dg;
                in.v[kPlaneB] += 8 * db;
                in.v[kPlaneA] += 8 * da;
            } else if (len == 8) {
                // a + ((b - a) k >> 3) stepped as (8a + (b - a) k) >> 3.
                int64_t su = int64_t{ta.u} * 8, sv = int64_t{ta.v} * 8, sl = int64_t{ta.lod} * 8;
                const int64_t du = int64_t{tb.u} - ta.u, dv = int64_t{tb.v} - ta.v, dl = int64_t{tb.lod} - ta.lod;
                for (int k = 0; k < 8; ++k) {
                    const TexPoint t{static_cast<int32_t>(su >> 3), static_cast<int32_t>(sv >> 3),
                                     static_cast<int32_t>(sl >> 3)};
                    ShadePixel<Cfg>(dc, colourRow, depthRow, a + k, y, in.v, t, 16);
                    step();
                    su += du;
                    sv += dv;
                    sl += dl;
                }
            } else {
                for (int k = 0; k <= len; ++k) {
                    TexPoint t{0, 0, 0};
                    if constexpr (kTex) t = SegmentPoint(ta, tb, k, len);
                    ShadePixel<Cfg>(dc, colourRow, depthRow, a + k, y, in.v, t, 16);
                    step();
                }
            }
            ta = tb;
        }
    }
}

}  // namespace raster
