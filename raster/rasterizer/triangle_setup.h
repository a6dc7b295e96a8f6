// Triangle set-up: edge functions on a 1/16-pixel grid with the top-left fill
// rule, and fixed-point attribute planes evaluated exactly in integers, so that
// stepping from pixel to pixel and evaluating each pixel afresh agree bit for
// bit.
#pragma once

#include <cstdint>

#include "raster/rasterizer/clip.h"

namespace raster {

constexpr int kSubPixelBits = 4;
constexpr int kSubPixel = 1 << kSubPixelBits;

// E(px, py) = a*px + b*py + c at the centre of pixel (px, py); the pixel is
// inside when E >= 0 for all three edges (the fill rule is folded into c).
// sa and sb are the per-subpixel steps (a / 16, b / 16) used for coverage.
struct EdgeFn {
    int64_t a, b, c;
    int64_t sa, sb;
    int64_t At(int px, int py) const { return a * px + b * py + c; }
};

// An attribute plane in fixed point, relative to the reference pixel:
// value(px, py) = base + (px - refX) * dx + (py - refY) * dy, in wrapping
// 64-bit arithmetic.
struct Plane {
    uint64_t base, dx, dy;
};

enum PlaneIndex { kPlaneZ, kPlaneR, kPlaneG, kPlaneB, kPlaneA, kPlaneU, kPlaneV, kPlaneQ, kPlaneCount };

// Fixed-point scales: depth carries 16 fraction bits below the depth
// surface's own units, colours 16 below 0..255; U, V and Q are texel
// coordinate times rhw and rhw, scaled per triangle (only their ratio counts).
constexpr int kDepthFractionBits = 16;
constexpr int kColourFractionBits = 16;

struct TriangleSetup {
    EdgeFn edge[3];
    int minX, minY, maxX, maxY;  // pixel bounds, inclusive, inside the scissor
    int refX, refY;
    Plane plane[kPlaneCount];
    // Screen gradients of U, V and Q as floats, for the mip level of each pixel.
    float udx, udy, vdx, vdy, qdx, qdy;
    float qMin;  // smallest vertex Q: the floor for Q at points outside the triangle
};

// Sets up triangle a, b, c (either winding). False for an empty or degenerate
// triangle or one outside the scissor. With coverage true the bounds grow by
// the antialiasing sample footprint.
bool SetupTriangle(const DrawContext& dc, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                   bool coverage, TriangleSetup& ts);

// All planes at pixel (px, py), each as the wrapped 64-bit value.
struct PixelInputs {
    uint64_t v[kPlaneCount];
};
inline void EvaluatePlanes(const TriangleSetup& ts, int px, int py, PixelInputs& out) {
    const uint64_t ox = static_cast<uint64_t>(static_cast<int64_t>(px - ts.refX));
    const uint64_t oy = static_cast<uint64_t>(static_cast<int64_t>(py - ts.refY));
    for (int k = 0; k < kPlaneCount; ++k) out.v[k] = ts.plane[k].base + ox * ts.plane[k].dx + oy * ts.plane[k].dy;
}

// The texture planes alone at pixel (px, py).
inline void EvaluateTexPlanes(const TriangleSetup& ts, int px, int py, uint64_t& u, uint64_t& v, uint64_t& q) {
    const uint64_t ox = static_cast<uint64_t>(static_cast<int64_t>(px - ts.refX));
    const uint64_t oy = static_cast<uint64_t>(static_cast<int64_t>(py - ts.refY));
    u = ts.plane[kPlaneU].base + ox * ts.plane[kPlaneU].dx + oy * ts.plane[kPlaneU].dy;
    v = ts.plane[kPlaneV].base + ox * ts.plane[kPlaneV].dx + oy * ts.plane[kPlaneV].dy;
    q = ts.plane[kPlaneQ].base + ox * ts.plane[kPlaneQ].dx + oy * ts.plane[kPlaneQ].dy;
}

// Number of the 16 antialiasing samples (a 4 x 4 grid at 1/4-pixel spacing)
// of pixel (px, py) that lie inside the triangle.
int SampleCoverage(const TriangleSetup& ts, int px, int py);

}  // namespace raster
