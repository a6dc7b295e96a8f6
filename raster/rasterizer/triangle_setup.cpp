#include "raster/rasterizer/triangle_setup.h"

#include <emmintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>

namespace raster {

namespace {

// Antialiasing sample offsets inside a pixel, in 1/16 pixel.
constexpr int kSampleOffsets[4] = {-6, -2, 2, 6};

int64_t FloorDiv(int64_t n, int64_t d) {  // d > 0
    int64_t q = n / d;
    if ((n % d != 0) && (n < 0)) --q;
    return q;
}

// Rounds a double to the nearest int64, halves away from zero (as
// std::llround, without the library call), saturating far outside the range
// (only degenerate slivers get there; their few pixels then shade oddly but
// safely). The truncation and the fraction v - trunc(v) are both exact.
uint64_t ToFixed(double v) {
    constexpr double kLimit = 4.0e18;
    if (!(v > -kLimit)) v = -kLimit;
    if (v > kLimit) v = kLimit;
    int64_t i = static_cast<int64_t>(v);
    const double fraction = v - static_cast<double>(i);
    if (fraction >= 0.5)
        ++i;
    else if (fraction <= -0.5)
        --i;
    return static_cast<uint64_t>(i);
}

// std::llrint in the default rounding mode (to nearest, halves to even): the
// one conversion instruction the library runs too.
int64_t RoundToInt64(double v) { return _mm_cvtsd_si64(_mm_set_sd(v)); }

// The exponent std::frexp gives a positive finite double (v = m 2^e, m in
// [0.5, 1)), read from its bits; 0 for anything else, as frexp.
int FrexpExponent(double v) {
    const uint64_t bits = std::bit_cast<uint64_t>(v);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    if (biased == 0 || biased == 0x7FF) {
        int e = 0;
        std::frexp(v, &e);
        return e;
    }
    return biased - 1022;
}

// 2^n, built from its bits where it is a normal double.
double PowerOfTwo(int n) {
    if (n < -1022 || n > 1023) return std::ldexp(1.0, n);
    return std::bit_cast<double>(static_cast<uint64_t>(n + 1023) << 52);
}

}  // namespace

bool SetupTriangle(const DrawContext& dc, const ScreenVertex& va, const ScreenVertex& vb, const ScreenVertex& vc,
                   bool coverage, TriangleSetup& ts) {
    const ScreenVertex* v[3] = {&va, &vb, &vc};
    int64_t X[3], Y[3];
    for (int i = 0; i < 3; ++i) {
        X[i] = RoundToInt64(static_cast<double>(v[i]->sx) * kSubPixel);
        Y[i] = RoundToInt64(static_cast<double>(v[i]->sy) * kSubPixel);
    }
    int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0) return false;
    if (area < 0) {  // rasterize clockwise (in y-down screen space) from here on
        std::swap(v[1], v[2]);
        std::swap(X[1], X[2]);
        std::swap(Y[1], Y[2]);
        area = -area;
    }

    const int64_t margin = coverage ? 6 : 0;
    const int64_t minXs = std::min({X[0], X[1], X[2]}) - margin, maxXs = std::max({X[0], X[1], X[2]}) + margin;
    const int64_t minYs = std::min({Y[0], Y[1], Y[2]}) - margin, maxYs = std::max({Y[0], Y[1], Y[2]}) + margin;
    ts.minX = static_cast<int>(std::max<int64_t>(-FloorDiv(-minXs, kSubPixel), dc.clipX0));
    ts.minY = static_cast<int>(std::max<int64_t>(-FloorDiv(-minYs, kSubPixel), dc.clipY0));
    ts.maxX = static_cast<int>(std::min<int64_t>(FloorDiv(maxXs, kSubPixel), dc.clipX1 - 1));
    ts.maxY = static_cast<int>(std::min<int64_t>(FloorDiv(maxYs, kSubPixel), dc.clipY1 - 1));
    if (ts.minX > ts.maxX || ts.minY > ts.maxY) return false;

    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        const int64_t dx = X[j] - X[i], dy = Y[j] - Y[i];
        EdgeFn& e = ts.edge[i];
        // E = dx * (16 py - Yi) - dy * (16 px - Xi): positive inside.
        e.a = -dy * kSubPixel;
        e.b = dx * kSubPixel;
        e.c = -dx * Y[i] + dy * X[i];
        e.sa = -dy;
        e.sb = dx;
        // Top-left rule: a pixel centre exactly on an edge belongs to the
        // triangle only for a top edge (horizontal, interior below) or a left
        // edge (going up in this winding).
        const bool topLeft = (dy == 0 && dx > 0) || dy < 0;
        if (!topLeft) e.c -= 1;
    }

    ts.refX = ts.minX;
    ts.refY = ts.minY;

    // Attribute planes from the snapped positions, in double precision.
    const double x0 = static_cast<double>(X[0]) / kSubPixel, y0 = static_cast<double>(Y[0]) / kSubPixel;
    const double x1 = static_cast<double>(X[1]) / kSubPixel - x0, y1 = static_cast<double>(Y[1]) / kSubPixel - y0;
    const double x2 = static_cast<double>(X[2]) / kSubPixel - x0, y2 = static_cast<double>(Y[2]) / kSubPixel - y0;
    const double det = x1 * y2 - x2 * y1;
    const double ox = ts.refX - x0, oy = ts.refY - y0;

    double vals[kPlaneCount][3];
    double scale[kPlaneCount];
    const double depthScale = static_cast<double>(dc.depthMax) * (1 << kDepthFractionBits);
    double maxRhw = 0.0;
    for (int i = 0; i < 3; ++i) maxRhw = std::max(maxRhw, static_cast<double>(v[i]->rhw));
    const int exp = FrexpExponent(maxRhw > 0.0 ? maxRhw : 1.0);
    const double qScale = PowerOfTwo(30 - exp);  // largest Q in [2^29, 2^30)
    constexpr double kTexLimit = 4194304.0;           // 2^22 texels
    for (int i = 0; i < 3; ++i) {
        const ScreenVertex& s = *v[i];
        vals[kPlaneZ][i] = std::clamp(static_cast<double>(s.sz), 0.0, 1.0);
        for (int k = 0; k < 4; ++k) vals[kPlaneR + k][i] = std::clamp(static_cast<double>(s.colour[k]), 0.0, 255.0);
        const double q = static_cast<double>(s.rhw);
        const double u = std::clamp(static_cast<double>(s.u) * dc.texWidth, -kTexLimit, kTexLimit);
        const double w = std::clamp(static_cast<double>(s.v) * dc.texHeight, -kTexLimit, kTexLimit);
        vals[kPlaneU][i] = u * q;
        vals[kPlaneV][i] = w * q;
        vals[kPlaneQ][i] = q;
    }
    scale[kPlaneZ] = depthScale;
    for (int k = 0; k < 4; ++k) scale[kPlaneR + k] = 1 << kColourFractionBits;
    scale[kPlaneU] = scale[kPlaneV] = scale[kPlaneQ] = qScale;
    const int planes = dc.tex == TexKind::None ? kPlaneU : kPlaneCount;
    double grad[kPlaneCount][2] = {};
    for (int k = 0; k < planes; ++k) {
        const double a1 = vals[k][1] - vals[k][0], a2 = vals[k][2] - vals[k][0];
        const double gx = (a1 * y2 - a2 * y1) / det;
        const double gy = (a2 * x1 - a1 * x2) / det;
        const double base = vals[k][0] + gx * ox + gy * oy;
        ts.plane[k].base = ToFixed(base * scale[k]);
        ts.plane[k].dx = ToFixed(gx * scale[k]);
        ts.plane[k].dy = ToFixed(gy * scale[k]);
        grad[k][0] = static_cast<double>(static_cast<int64_t>(ts.plane[k].dx));
        grad[k][1] = static_cast<double>(static_cast<int64_t>(ts.plane[k].dy));
    }
    for (int k = planes; k < kPlaneCount; ++k) ts.plane[k] = {0, 0, 0};
    ts.udx = static_cast<float>(grad[kPlaneU][0]);
    ts.udy = static_cast<float>(grad[kPlaneU][1]);
    ts.vdx = static_cast<float>(grad[kPlaneV][0]);
    ts.vdy = static_cast<float>(grad[kPlaneV][1]);
    ts.qdx = static_cast<float>(grad[kPlaneQ][0]);
    ts.qdy = static_cast<float>(grad[kPlaneQ][1]);
    double qMin = vals[kPlaneQ][0];
    for (int i = 1; i < 3; ++i) qMin = std::min(qMin, vals[kPlaneQ][i]);
    ts.qMin = static_cast<float>(qMin * qScale);
    return true;
}

int SampleCoverage(const TriangleSetup& ts, int px, int py) {
    int count = 0;
    int64_t base[3];
    for (int e = 0; e < 3; ++e) base[e] = ts.edge[e].At(px, py);
    for (int sy : kSampleOffsets) {
        for (int sx : kSampleOffsets) {
            bool in = true;
            for (int e = 0; e < 3 && in; ++e) in = base[e] + ts.edge[e].sa * sx + ts.edge[e].sb * sy >= 0;
            count += in ? 1 : 0;
        }
    }
    return count;
}

}  // namespace raster
