#include "polygon_triangulation.h"

#include <cmath>

namespace lwo {
namespace {

struct Normal3 {
    double x, y, z;
};

// Newell's normal: its direction follows the polygon's winding (right hand),
// its length is twice the polygon's area.
Normal3 PolygonNormal(const Vector3* points, const uint32_t* corners, int count) {
    Normal3 n{0.0, 0.0, 0.0};
    for (int i = 0; i < count; ++i) {
        const Vector3& c = points[corners[i]];
        const Vector3& d = points[corners[(i + 1) % count]];
        n.x += (double(c.y) - d.y) * (double(c.z) + d.z);
        n.y += (double(c.z) - d.z) * (double(c.x) + d.x);
        n.z += (double(c.x) - d.x) * (double(c.y) + d.y);
    }
    return n;
}

double Length(const Normal3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

Normal3 Difference(const Vector3& a, const Vector3& b) {
    return Normal3{double(a.x) - b.x, double(a.y) - b.y, double(a.z) - b.z};
}

// Relative tolerance below which a corner counts as straight, so that float
// noise on nearly collinear corners never turns a convex polygon concave.
constexpr double kStraightTolerance = 1e-7;

bool IsConvex(const Vector3* points, const uint32_t* corners, int count, const Normal3& normal) {
    const double normalLength = Length(normal);
    if (normalLength == 0.0 || !std::isfinite(normalLength))
        return true;  // no area or no usable plane: nothing better than the fan
    for (int i = 0; i < count; ++i) {
        const Vector3& a = points[corners[(i + count - 1) % count]];
        const Vector3& b = points[corners[i]];
        const Vector3& c = points[corners[(i + 1) % count]];
        const Normal3 e1 = Difference(b, a);
        const Normal3 e2 = Difference(c, b);
        const Normal3 turn{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
        const double along = turn.x * normal.x + turn.y * normal.y + turn.z * normal.z;
        if (along < -kStraightTolerance * Length(e1) * Length(e2) * normalLength) return false;
    }
    return true;
}

void AppendFan(const uint32_t* corners, int count, int32_t surface, std::vector<LwoTriangle>& out) {
    for (int j = 0; j + 2 < count; ++j) out.push_back(LwoTriangle{corners[0], corners[j + 1], corners[j + 2], surface});
}

double Cross2(double ax, double ay, double bx, double by, double cx, double cy) {
    return (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
}

void AppendEars(const Vector3* points, const uint32_t* corners, int count, int32_t surface, const Normal3& normal,
                std::vector<LwoTriangle>& out, TriangulationScratch& s) {
    // Project onto the coordinate plane the polygon faces most, then mirror
    // when needed so that the ring runs counter-clockwise in (u, v).
    const double ax = std::fabs(normal.x), ay = std::fabs(normal.y), az = std::fabs(normal.z);
    s.u.resize(count);
    s.v.resize(count);
    s.next.resize(count);
    s.prev.resize(count);
    for (int i = 0; i < count; ++i) {
        const Vector3& p = points[corners[i]];
        if (az >= ax && az >= ay) {
            s.u[i] = p.x;
            s.v[i] = p.y;
        } else if (ax >= ay) {
            s.u[i] = p.y;
            s.v[i] = p.z;
        } else {
            s.u[i] = p.z;
            s.v[i] = p.x;
        }
        s.next[i] = (i + 1) % count;
        s.prev[i] = (i + count - 1) % count;
    }
    const double facing = az >= ax && az >= ay ? normal.z : (ax >= ay ? normal.x : normal.y);
    if (facing < 0.0)
        for (int i = 0; i < count; ++i) s.u[i] = -s.u[i];

    auto turn = [&](int i) {
        return Cross2(s.u[s.prev[i]], s.v[s.prev[i]], s.u[i], s.v[i], s.u[s.next[i]], s.v[s.next[i]]);
    };
    auto isEar = [&](int i) {
        --s.earTestsLeft;
        if (!(turn(i) > 0.0)) return false;
        const int p = s.prev[i], n = s.next[i];
        for (int r = s.next[n]; r != p; r = s.next[r]) {
            --s.earTestsLeft;
            const double ru = s.u[r], rv = s.v[r];
            if ((ru == s.u[p] && rv == s.v[p]) || (ru == s.u[i] && rv == s.v[i]) || (ru == s.u[n] && rv == s.v[n]))
                continue;
            if (Cross2(s.u[p], s.v[p], s.u[i], s.v[i], ru, rv) >= 0.0 &&
                Cross2(s.u[i], s.v[i], s.u[n], s.v[n], ru, rv) >= 0.0 &&
                Cross2(s.u[n], s.v[n], s.u[p], s.v[p], ru, rv) >= 0.0)
                return false;
        }
        return true;
    };
    auto clip = [&](int i) {
        const int p = s.prev[i], n = s.next[i];
        out.push_back(LwoTriangle{corners[p], corners[i], corners[n], surface});
        s.next[p] = n;
        s.prev[n] = p;
        return p;
    };

    int remaining = count;
    int current = 0;
    int tried = 0;
    while (remaining > 3) {
        if (s.earTestsLeft <= 0) {
            // Budget spent: fan the ring that is left, in its own order.
            const int first = current;
            for (int r = s.next[first]; s.next[r] != first; r = s.next[r])
                out.push_back(LwoTriangle{corners[first], corners[r], corners[s.next[r]], surface});
            return;
        }
        if (isEar(current)) {
            current = clip(current);
            --remaining;
            tried = 0;
            continue;
        }
        current = s.next[current];
        if (++tried < remaining) continue;
        // A whole round without an ear: the polygon crosses itself or is
        // degenerate. Cut a corner that at least does not turn backwards.
        int pick = current;
        for (int i = 0, r = current; i < remaining; ++i, r = s.next[r])
            if (turn(r) >= 0.0) {
                pick = r;
                break;
            }
        current = clip(pick);
        --remaining;
        tried = 0;
    }
    out.push_back(LwoTriangle{corners[s.prev[current]], corners[current], corners[s.next[current]], surface});
}

}  // namespace

bool IsConvexPolygon(const Vector3* points, const uint32_t* corners, int count) {
    return IsConvex(points, corners, count, PolygonNormal(points, corners, count));
}

void TriangulatePolygon(const Vector3* points, const uint32_t* corners, int count, int32_t surface,
                        std::vector<LwoTriangle>& out, TriangulationScratch& scratch) {
    if (count <= 3 || count > kMaxEarClipCorners) {
        AppendFan(corners, count, surface, out);
        return;
    }
    const Normal3 normal = PolygonNormal(points, corners, count);
    if (IsConvex(points, corners, count, normal))
        AppendFan(corners, count, surface, out);
    else
        AppendEars(points, corners, count, surface, normal, out, scratch);
}

}  // namespace lwo
