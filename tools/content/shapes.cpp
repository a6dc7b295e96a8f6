#include "tools/content/shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace demo {

namespace {

constexpr float kTwoPi = 2 * std::numbers::pi_v<float>;

// The normal the object reader derives from the first three corners.
Vec3 StoredNormal(const std::vector<Vec3>& p) { return Cross(p[0] - p[2], p[1] - p[0]); }

Vec3 Ring(Vec3 centre, float radius, float angle, float y) {
    return {centre.x + radius * std::cos(angle), centre.y + y, centre.z + radius * std::sin(angle)};
}

}  // namespace

void AddFacing(LwobObject& o, const std::vector<Vec3>& p, int surface, Vec3 outward) {
    std::vector<int> corners;
    for (Vec3 v : p) corners.push_back(o.AddPoint(v));
    if (Dot(StoredNormal(p), outward) < 0) std::reverse(corners.begin() + 1, corners.end());
    o.AddPolygon(corners, surface);
}

void AddBox(LwobObject& o, Vec3 l, Vec3 h, int surface, bool inward) {
    const float s = inward ? -1.0f : 1.0f;
    AddFacing(o, {{l.x, l.y, l.z}, {l.x, h.y, l.z}, {h.x, h.y, l.z}, {h.x, l.y, l.z}}, surface, {0, 0, -s});
    AddFacing(o, {{l.x, l.y, h.z}, {h.x, l.y, h.z}, {h.x, h.y, h.z}, {l.x, h.y, h.z}}, surface, {0, 0, s});
    AddFacing(o, {{l.x, l.y, l.z}, {l.x, l.y, h.z}, {l.x, h.y, h.z}, {l.x, h.y, l.z}}, surface, {-s, 0, 0});
    AddFacing(o, {{h.x, l.y, l.z}, {h.x, h.y, l.z}, {h.x, h.y, h.z}, {h.x, l.y, h.z}}, surface, {s, 0, 0});
    AddFacing(o, {{l.x, l.y, l.z}, {h.x, l.y, l.z}, {h.x, l.y, h.z}, {l.x, l.y, h.z}}, surface, {0, -s, 0});
    AddFacing(o, {{l.x, h.y, l.z}, {l.x, h.y, h.z}, {h.x, h.y, h.z}, {h.x, h.y, l.z}}, surface, {0, s, 0});
}

void AddCylinder(LwobObject& o, Vec3 base, float radius, float height, int segments, int surface, int capSurface) {
    std::vector<Vec3> bottom, top;
    for (int i = 0; i < segments; ++i) {
        const float a0 = kTwoPi * i / segments, a1 = kTwoPi * (i + 1) / segments;
        const Vec3 p0 = Ring(base, radius, a0, 0), p1 = Ring(base, radius, a1, 0);
        const Vec3 q0 = Ring(base, radius, a0, height), q1 = Ring(base, radius, a1, height);
        const float mid = (a0 + a1) / 2;
        AddFacing(o, {p0, q0, q1, p1}, surface, {std::cos(mid), 0, std::sin(mid)});
        bottom.push_back(p0);
        top.push_back(q0);
    }
    if (capSurface > 0) {
        AddFacing(o, bottom, capSurface, {0, -1, 0});
        AddFacing(o, top, capSurface, {0, 1, 0});
    }
}

void AddCone(LwobObject& o, Vec3 base, float radius, float topRadius, float height, int segments, int surface) {
    std::vector<Vec3> bottom;
    const Vec3 apex = base + Vec3{0, height, 0};
    for (int i = 0; i < segments; ++i) {
        const float a0 = kTwoPi * i / segments, a1 = kTwoPi * (i + 1) / segments, mid = (a0 + a1) / 2;
        const Vec3 p0 = Ring(base, radius, a0, 0), p1 = Ring(base, radius, a1, 0);
        const Vec3 out{std::cos(mid), radius - topRadius > 0 ? (radius - topRadius) / height : 0, std::sin(mid)};
        if (topRadius > 0)
            AddFacing(o, {p0, Ring(base, topRadius, a0, height), Ring(base, topRadius, a1, height), p1}, surface, out);
        else
            AddFacing(o, {p0, apex, p1}, surface, out);
        bottom.push_back(p0);
    }
    AddFacing(o, bottom, surface, {0, -1, 0});
}

void AddEllipsoid(LwobObject& o, Vec3 c, Vec3 r, int rings, int segments, int surface, bool inward,
                  const std::function<float(Vec3)>& radius) {
    const auto point = [&](int ring, int segment) {
        const float polar = std::numbers::pi_v<float> * ring / rings;
        const float azimuth = kTwoPi * (segment % segments) / segments;
        const Vec3 d{std::sin(polar) * std::cos(azimuth), std::cos(polar), std::sin(polar) * std::sin(azimuth)};
        const float scale = radius ? radius(d) : 1.0f;
        return Vec3{c.x + d.x * r.x * scale, c.y + d.y * r.y * scale, c.z + d.z * r.z * scale};
    };
    for (int ring = 0; ring < rings; ++ring)
        for (int s = 0; s < segments; ++s) {
            const Vec3 a = point(ring, s), b = point(ring, s + 1), d = point(ring + 1, s), e = point(ring + 1, s + 1);
            Vec3 out = Normalized((a + b + d + e) * 0.25f - c);
            if (inward) out = out * -1.0f;
            if (ring == 0)
                AddFacing(o, {a, e, d}, surface, out);  // a and b meet at the pole
            else if (ring == rings - 1)
                AddFacing(o, {a, b, d}, surface, out);
            else
                AddFacing(o, {a, b, e, d}, surface, out);
        }
}

void AddHeightField(LwobObject& o, float half, int cells, const std::function<float(float, float)>& height,
                    int surface) {
    const float step = 2 * half / cells;
    std::vector<int> index;
    for (int j = 0; j <= cells; ++j)
        for (int i = 0; i <= cells; ++i) {
            const float x = -half + i * step, z = -half + j * step;
            index.push_back(o.AddPoint({x, height(x, z), z}));
        }
    const auto at = [&](int i, int j) { return index[size_t(j) * (cells + 1) + i]; };
    const auto& pts = o.Points();
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            // Seen from above (+y) with x right and z away, (i,j) -> (i,j+1) -> (i+1,j+1) is clockwise.
            std::vector<int> quad{at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i + 1, j)};
            const Vec3 n = Cross(pts[quad[0]] - pts[quad[2]], pts[quad[1]] - pts[quad[0]]);
            if (n.y < 0) std::reverse(quad.begin() + 1, quad.end());
            o.AddPolygon(quad, surface);
        }
}

void AddCrossedQuads(LwobObject& o, Vec3 b, float w, float h, int surface) {
    AddFacing(o, {{b.x - w, b.y, b.z}, {b.x - w, b.y + h, b.z}, {b.x + w, b.y + h, b.z}, {b.x + w, b.y, b.z}}, surface,
              {0, 0, -1});
    AddFacing(o, {{b.x, b.y, b.z - w}, {b.x, b.y + h, b.z - w}, {b.x, b.y + h, b.z + w}, {b.x, b.y, b.z + w}}, surface,
              {-1, 0, 0});
}

void AddPanel(LwobObject& o, Vec3 c, float hw, float hh, int surface) {
    AddFacing(
        o, {{c.x - hw, c.y - hh, c.z}, {c.x - hw, c.y + hh, c.z}, {c.x + hw, c.y + hh, c.z}, {c.x + hw, c.y - hh, c.z}},
        surface, {0, 0, -1});
}

}  // namespace demo
