// Splitting LWOB polygons into triangles: a fan for convex polygons, ear
// clipping for concave ones. Both keep the polygon's winding.
#pragma once

#include <cstdint>
#include <vector>

#include "lwo_reader.h"

namespace lwo {

// Ear tests (one corner against one candidate ear) ear clipping may spend on
// one object: a base plus an allowance per polygon corner of the object.
// Clipping a polygon that crosses itself finds no ear round after round, which
// costs time cubic in its corners; past the budget the rest of every ring is
// fanned instead, so the time stays linear in the file's size. Real objects
// stay far below it (a simple ring of n corners needs about n * n / 2 tests).
constexpr int64_t kEarTestBudget = int64_t{1} << 22;
constexpr int64_t kEarTestsPerCorner = 64;

// Reused between the polygons of one object so that splitting allocates only
// while it grows; it also carries what is left of the ear-test budget.
struct TriangulationScratch {
    std::vector<double> u, v;  // corners projected onto the polygon's plane
    std::vector<int32_t> next, prev;
    int64_t earTestsLeft = kEarTestBudget;  // the caller adds the allowance per corner
};

// True when no corner of the polygon turns against its overall winding
// (collinear and repeated corners are allowed).
bool IsConvexPolygon(const Vector3* points, const uint32_t* corners, int count);

// Appends the count - 2 triangles of a polygon (count >= 3, every corner a
// valid index into points) to out. Convex polygons, and polygons too large to
// clip, become the fan (c0, c[j+1], c[j+2]); concave ones are clipped ear by ear
// (once scratch's ear-test budget is spent, what is left of the ring is fanned).
void TriangulatePolygon(const Vector3* points, const uint32_t* corners, int count, int32_t surface,
                        std::vector<LwoTriangle>& out, TriangulationScratch& scratch);

}  // namespace lwo
