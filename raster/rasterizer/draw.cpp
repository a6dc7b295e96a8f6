// Front end of the rasterizer: fetches each triangle of a list, drops the
// malformed ones, culls, clips when a vertex leaves the clip volume, and hands
// the pieces to the fill mode's walker.
#include <cmath>

#include "raster/rasterizer/draw_queue.h"
#include "raster/rasterizer/rasterizer.h"
#include "raster/rasterizer/walkers.h"

namespace raster {

namespace {

RasterPath g_path = RasterPath::Fast;

bool Finite(float v) { return std::isfinite(v); }

void Unpack(uint32_t argb, float out[4]) {
    out[0] = static_cast<float>((argb >> 16) & 255);
    out[1] = static_cast<float>((argb >> 8) & 255);
    out[2] = static_cast<float>(argb & 255);
    out[3] = static_cast<float>(argb >> 24);
}

// Builds the homogeneous vertex; false when its data is NaN or infinite.
bool MakeClipVertex(const TLVertex& t, const float* h, ClipVertex& c) {
    if (!Finite(t.tex[0][0]) || !Finite(t.tex[0][1])) return false;
    if (h != nullptr) {
        if (!Finite(h[0]) || !Finite(h[1]) || !Finite(h[2]) || !Finite(h[3])) return false;
        c.hx = h[0];
        c.hy = h[1];
        c.hz = h[2];
        c.w = h[3];
    } else {
        if (!Finite(t.sx) || !Finite(t.sy) || !Finite(t.sz) || !Finite(t.rhw) || t.rhw == 0.0f) return false;
        c.w = 1.0 / static_cast<double>(t.rhw);
        c.hx = static_cast<double>(t.sx) * c.w;
        c.hy = static_cast<double>(t.sy) * c.w;
        c.hz = static_cast<double>(t.sz) * c.w;
    }
    Unpack(t.diffuse, c.colour);
    c.u = t.tex[0][0];
    c.v = t.tex[0][1];
    return true;
}

ScreenVertex FromTL(const TLVertex& t) {
    ScreenVertex s;
    s.sx = t.sx;
    s.sy = t.sy;
    s.sz = t.sz;
    s.rhw = t.rhw;
    Unpack(t.diffuse, s.colour);
    s.u = t.tex[0][0];
    s.v = t.tex[0][1];
    return s;
}

void FillPolygon(const DrawContext& dc, const ScreenVertex* v, int n) {
    const bool reference = g_path == RasterPath::Reference;
    const bool record = RecordingDraws();
    for (int i = 1; i + 1 < n; ++i) {
        TriangleSetup ts;
        if (!SetupTriangle(dc, v[0], v[i], v[i + 1], dc.antialias, ts)) continue;
        if (record)
            RecordTriangle(ts);
        else if (reference)
            FillTriangleReference(dc, ts);
        else
            FillTriangleFast(dc, ts);
    }
}

void PointOrRecord(const DrawContext& dc, const ScreenVertex& v) {
    if (RecordingDraws())
        RecordPoint(v);
    else
        DrawPoint(dc, v);
}

void DrawOne(const DrawContext& dc, const TLVertex* const t[3], const float* const h[3]) {
    ClipVertex c[3];
    for (int i = 0; i < 3; ++i)
        if (!MakeClipVertex(*t[i], h[i], c[i])) return;

    // Facing from the homogeneous determinant: its sign is the screen winding
    // for vertices in front of the camera and stays right for vertices behind.
    const double det = c[0].hx * (c[1].hy * c[2].w - c[2].hy * c[1].w) -
                       c[1].hx * (c[0].hy * c[2].w - c[2].hy * c[0].w) +
                       c[2].hx * (c[0].hy * c[1].w - c[1].hy * c[0].w);
    if (!(det != 0.0)) return;
    // Negative: counter-clockwise on screen (y down).
    if (dc.cull == CullMode::CounterClockwise && det < 0.0) return;

    const bool inside = InsideClipVolume(dc, c[0]) && InsideClipVolume(dc, c[1]) && InsideClipVolume(dc, c[2]);
    if (dc.fill == FillMode::Points) {
        for (int i = 0; i < 3; ++i) {
            if (!InsideClipVolume(dc, c[i])) continue;
            if (h[i] == nullptr) {
                PointOrRecord(dc, FromTL(*t[i]));
            } else {
                ScreenVertex s = FromTL(*t[i]);
                const double rhw = 1.0 / c[i].w;
                s.sx = static_cast<float>(c[i].hx * rhw);
                s.sy = static_cast<float>(c[i].hy * rhw);
                s.sz = static_cast<float>(c[i].hz * rhw);
                s.rhw = static_cast<float>(rhw);
                PointOrRecord(dc, s);
            }
        }
        return;
    }

    ScreenVertex poly[kMaxClipVertices];
    int n = 3;
    if (inside) {
        for (int i = 0; i < 3; ++i) poly[i] = FromTL(*t[i]);
        if (h[0] != nullptr) {  // the TL fields may be rounded differently; trust them only when finite
            for (int i = 0; i < 3; ++i)
                if (!Finite(poly[i].sx) || !Finite(poly[i].sy) || !Finite(poly[i].sz) || !Finite(poly[i].rhw)) return;
        }
    } else {
        n = ClipTriangle(dc, c, poly);
        if (n == 0) return;
    }

    if (dc.fill == FillMode::Wireframe) {
        for (int i = 0; i < n; ++i) {
            if (RecordingDraws())
                RecordLine(poly[i], poly[(i + 1) % n]);
            else
                DrawLine(dc, poly[i], poly[(i + 1) % n]);
        }
        return;
    }
    FillPolygon(dc, poly, n);
}

}  // namespace

void SetRasterPath(RasterPath path) {
    FinishDrawing();  // what is recorded is drawn by the path it was recorded under
    g_path = path;
}
RasterPath CurrentRasterPath() { return g_path; }

void DrawTriangles(Device& dev, const TriangleBatch& b) {
    if (b.vertices == nullptr || b.vertexCount <= 0) return;
    DrawContext dc;
    if (!BuildDrawContext(dev, dev.back, dev.depth, dc)) return;
    const bool indexed = b.indices16 != nullptr || b.indices32 != nullptr;
    const int64_t count = indexed ? b.indexCount : b.vertexCount;
    const uint32_t limit = static_cast<uint32_t>(b.vertexCount);
    const bool record = RecordingDraws();
    if (record) BeginRecordedBatch(dc);
    for (int64_t i = 0; i + 2 < count; i += 3) {
        uint32_t idx[3];
        for (int k = 0; k < 3; ++k) {
            if (b.indices32)
                idx[k] = b.indices32[i + k];
            else if (b.indices16)
                idx[k] = b.indices16[i + k];
            else
                idx[k] = static_cast<uint32_t>(i + k);
        }
        if (idx[0] >= limit || idx[1] >= limit || idx[2] >= limit) continue;
        const TLVertex* t[3] = {&b.vertices[idx[0]], &b.vertices[idx[1]], &b.vertices[idx[2]]};
        const float* h[3] = {nullptr, nullptr, nullptr};
        if (b.homogeneous)
            for (int k = 0; k < 3; ++k) h[k] = b.homogeneous + static_cast<size_t>(idx[k]) * 4;
        DrawOne(dc, t, h);
    }
    if (record) EndRecordedBatch();
}

}  // namespace raster
