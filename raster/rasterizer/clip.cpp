#include "raster/rasterizer/clip.h"

#include <algorithm>

namespace raster {

namespace {

// Signed distance of a vertex to plane p (inside when >= 0).
double PlaneDistance(const DrawContext& dc, const ClipVertex& v, int p) {
    switch (p) {
        case 0:
            return v.hz;  // near: sz >= 0
        case 1:
            return v.w - v.hz;  // far: sz <= 1
        case 2:
            return v.hx - static_cast<double>(dc.guardX0) * v.w;
        case 3:
            return static_cast<double>(dc.guardX1) * v.w - v.hx;
        case 4:
            return v.hy - static_cast<double>(dc.guardY0) * v.w;
        default:
            return static_cast<double>(dc.guardY1) * v.w - v.hy;
    }
}

ClipVertex Lerp(const ClipVertex& a, const ClipVertex& b, double t) {
    ClipVertex r;
    r.hx = a.hx + (b.hx - a.hx) * t;
    r.hy = a.hy + (b.hy - a.hy) * t;
    r.hz = a.hz + (b.hz - a.hz) * t;
    r.w = a.w + (b.w - a.w) * t;
    const float tf = static_cast<float>(t);
    for (int k = 0; k < 4; ++k) r.colour[k] = a.colour[k] + (b.colour[k] - a.colour[k]) * tf;
    r.u = a.u + (b.u - a.u) * tf;
    r.v = a.v + (b.v - a.v) * tf;
    return r;
}

}  // namespace

bool InsideClipVolume(const DrawContext& dc, const ClipVertex& v) {
    if (!(v.w > 0.0)) return false;
    for (int p = 0; p < 6; ++p)
        if (!(PlaneDistance(dc, v, p) >= 0.0)) return false;
    return true;
}

int ClipTriangle(const DrawContext& dc, const ClipVertex in[3], ScreenVertex out[kMaxClipVertices]) {
    // Each plane adds at most one vertex: 3 + 6 = 9.
    ClipVertex bufA[kMaxClipVertices + 1], bufB[kMaxClipVertices + 1];
    ClipVertex* src = bufA;
    ClipVertex* dst = bufB;
    int n = 3;
    std::copy(in, in + 3, src);
    for (int p = 0; p < 6 && n > 0; ++p) {
        int m = 0;
        for (int i = 0; i < n; ++i) {
            const ClipVertex& a = src[i];
            const ClipVertex& b = src[(i + 1) % n];
            const double da = PlaneDistance(dc, a, p), db = PlaneDistance(dc, b, p);
            const bool ina = da >= 0.0, inb = db >= 0.0;
            if (ina && m < kMaxClipVertices) dst[m++] = a;
            if (ina != inb && m < kMaxClipVertices) {
                // Interpolate from the inside vertex so that shared edges clip alike.
                const double t = ina ? da / (da - db) : db / (db - da);
                dst[m++] = ina ? Lerp(a, b, t) : Lerp(b, a, t);
            }
        }
        n = m;
        std::swap(src, dst);
    }
    int count = 0;
    for (int i = 0; i < n; ++i) {
        const ClipVertex& c = src[i];
        if (!(c.w > 0.0)) continue;  // only reachable through rounding at a plane
        ScreenVertex& s = out[count++];
        const double rhw = 1.0 / c.w;
        s.sx = static_cast<float>(c.hx * rhw);
        s.sy = static_cast<float>(c.hy * rhw);
        s.sz = std::clamp(static_cast<float>(c.hz * rhw), 0.0f, 1.0f);
        s.rhw = static_cast<float>(rhw);
        std::copy(c.colour, c.colour + 4, s.colour);
        s.u = c.u;
        s.v = c.v;
    }
    return count < 3 ? 0 : count;
}

}  // namespace raster
