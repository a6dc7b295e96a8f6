// The reference pixel walker: simple enough to be checked by eye, and the
// yardstick for the fast walker (they must agree to the byte).
//
// Texture coordinates are projected exactly at the ends of 8-pixel segments of
// each row's span (from its first covered pixel; the last segment ends on the
// last covered pixel) and interpolated linearly in between.
#include "raster/rasterizer/pixel_pipeline.h"
#include "raster/rasterizer/walkers.h"

namespace raster {

namespace {

bool Inside(const TriangleSetup& ts, int x, int y) {
    return ts.edge[0].At(x, y) >= 0 && ts.edge[1].At(x, y) >= 0 && ts.edge[2].At(x, y) >= 0;
}

TexPoint ProjectAt(const DrawContext& dc, const TriangleSetup& ts, int x, int y) {
    uint64_t u, v, q;
    EvaluateTexPlanes(ts, x, y, u, v, q);
    return ProjectTexel(dc, ts, u, v, q);
}

template <class Cfg>
void ReferenceTriangle(const DrawContext& dc, const TriangleSetup& ts) {
    constexpr bool kTex = Cfg::kTex != TexKind::None;
    for (int y = ts.minY; y <= ts.maxY; ++y) {
        uint8_t* colourRow = dc.colour + static_cast<size_t>(y) * static_cast<size_t>(dc.colourPitch);
        uint8_t* depthRow = dc.depth ? dc.depth + static_cast<size_t>(y) * static_cast<size_t>(dc.depthPitch) : nullptr;
        if (dc.antialias) {
            // Every pixel with a covered sample, textured from its own centre.
            for (int x = ts.minX; x <= ts.maxX; ++x) {
                const int coverage = SampleCoverage(ts, x, y);
                if (coverage == 0) continue;
                PixelInputs in;
                EvaluatePlanes(ts, x, y, in);
                TexPoint t{0, 0, 0};
                if constexpr (kTex) t = ProjectAt(dc, ts, x, y);
                ShadePixel<Cfg>(dc, colourRow, depthRow, x, y, in.v, t, coverage);
            }
            continue;
        }
        // The row's covered pixels (contiguous: the triangle is convex).
        int lo = ts.maxX + 1, hi = ts.minX - 1;
        for (int x = ts.minX; x <= ts.maxX; ++x) {
            if (!Inside(ts, x, y)) continue;
            if (lo > x) lo = x;
            hi = x;
        }
        for (int x = lo; x <= hi; ++x) {
            PixelInputs in;
            EvaluatePlanes(ts, x, y, in);
            TexPoint t{0, 0, 0};
            if constexpr (kTex) {
                const int a = lo + ((x - lo) / 8) * 8;
                const int b = a + 8 < hi ? a + 8 : hi;
                t = SegmentPoint(ProjectAt(dc, ts, a, y), ProjectAt(dc, ts, b, y), x - a, b - a);
            }
            ShadePixel<Cfg>(dc, colourRow, depthRow, x, y, in.v, t, 16);
        }
    }
}

}  // namespace

void FillTriangleReference(const DrawContext& dc, const TriangleSetup& ts) {
    WithPixelConfig(dc, [&](auto cfg) { ReferenceTriangle<decltype(cfg)>(dc, ts); });
}

}  // namespace raster
