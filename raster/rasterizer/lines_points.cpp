// Point and wireframe fill modes. Both walkers share this code, so the fast
// and reference paths agree here by construction.
#include <algorithm>
#include <cmath>

#include "raster/rasterizer/pixel_pipeline.h"
#include "raster/rasterizer/walkers.h"

namespace raster {

namespace {

const TriangleSetup kFlat{};  // zero texture gradients: the top mip level

// Plane values of one point of a line: attributes interpolated at t between
// a and b, texture coordinates through U = u*rhw and Q = rhw (scaled).
void PointInputs(const DrawContext& dc, const ScreenVertex& a, const ScreenVertex& b, double t, double qScale,
                 uint64_t out[kPlaneCount]) {
    auto lerp = [t](double p, double q) { return p + (q - p) * t; };
    auto fixed = [](double v) {
        constexpr double kLimit = 4.0e18;
        v = std::clamp(v, -kLimit, kLimit);
        return static_cast<uint64_t>(std::llround(v));
    };
    const double depthScale = static_cast<double>(dc.depthMax) * (1 << kDepthFractionBits);
    out[kPlaneZ] = fixed(std::clamp(lerp(a.sz, b.sz), 0.0, 1.0) * depthScale);
    for (int k = 0; k < 4; ++k) out[kPlaneR + k] = fixed(lerp(a.colour[k], b.colour[k]) * (1 << kColourFractionBits));
    constexpr double kTexLimit = 4194304.0;
    const double ua = std::clamp(static_cast<double>(a.u) * dc.texWidth, -kTexLimit, kTexLimit);
    const double ub = std::clamp(static_cast<double>(b.u) * dc.texWidth, -kTexLimit, kTexLimit);
    const double va = std::clamp(static_cast<double>(a.v) * dc.texHeight, -kTexLimit, kTexLimit);
    const double vb = std::clamp(static_cast<double>(b.v) * dc.texHeight, -kTexLimit, kTexLimit);
    out[kPlaneU] = fixed(lerp(ua * a.rhw, ub * b.rhw) * qScale);
    out[kPlaneV] = fixed(lerp(va * a.rhw, vb * b.rhw) * qScale);
    out[kPlaneQ] = fixed(lerp(a.rhw, b.rhw) * qScale);
}

double QScale(const ScreenVertex& a, const ScreenVertex& b) {
    const double m = std::max(static_cast<double>(a.rhw), static_cast<double>(b.rhw));
    int exp = 0;
    std::frexp(m > 0.0 ? m : 1.0, &exp);
    return std::ldexp(1.0, 30 - exp);
}

void ShadeAt(const DrawContext& dc, int x, int y, const uint64_t* in) {
    if (x < dc.clipX0 || x >= dc.clipX1 || y < dc.clipY0 || y >= dc.clipY1) return;
    uint8_t* colourRow = dc.colour + static_cast<size_t>(y) * static_cast<size_t>(dc.colourPitch);
    uint8_t* depthRow = dc.depth ? dc.depth + static_cast<size_t>(y) * static_cast<size_t>(dc.depthPitch) : nullptr;
    TexPoint texel{0, 0, 0};
    if (dc.tex != TexKind::None) texel = ProjectTexel(dc, kFlat, in[kPlaneU], in[kPlaneV], in[kPlaneQ]);
    WithPixelConfig(dc, [&](auto cfg) { ShadePixel<decltype(cfg)>(dc, colourRow, depthRow, x, y, in, texel, 16); });
}

int RoundToPixel(float v) { return static_cast<int>(std::floor(static_cast<double>(v) + 0.5)); }

}  // namespace

void DrawPoint(const DrawContext& dc, const ScreenVertex& v) {
    uint64_t in[kPlaneCount];
    PointInputs(dc, v, v, 0.0, QScale(v, v), in);
    ShadeAt(dc, RoundToPixel(v.sx), RoundToPixel(v.sy), in);
}

void DrawLine(const DrawContext& dc, const ScreenVertex& a, const ScreenVertex& b) {
    const int x0 = RoundToPixel(a.sx), y0 = RoundToPixel(a.sy);
    const int x1 = RoundToPixel(b.sx), y1 = RoundToPixel(b.sy);
    const int n = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    if (n == 0) return;
    const double qScale = QScale(a, b);
    uint64_t in[kPlaneCount];
    for (int k = 0; k < n; ++k) {
        const double t = static_cast<double>(k) / n;
        const int x = x0 + static_cast<int>(std::lround((x1 - x0) * t));
        const int y = y0 + static_cast<int>(std::lround((y1 - y0) * t));
        PointInputs(dc, a, b, t, qScale, in);
        ShadeAt(dc, x, y, in);
    }
}

}  // namespace raster
