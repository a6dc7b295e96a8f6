// Normal smoothing and vertex welding over exact float equality. Both group
// vertices by their exact values first (hash of the value bits, with 0.0 and
// -0.0 the same and NaN equal to nothing), so that only vertices that can
// match are ever compared: the results are those of comparing every vertex
// with every other, in near-linear time.
#pragma once

#include <cstdint>
#include <vector>

#include "common/vecmath.h"
#include "tessaly/model_records.h"

namespace lwo {

// Scratch kept between meshes so that only growth allocates.
struct GroupingScratch {
    std::vector<int32_t> table;     // open-addressing hash table of vertex numbers
    std::vector<int32_t> classOf;   // smoothing: position class of each vertex
    std::vector<int32_t> start;     // smoothing: first member of each class
    std::vector<int32_t> members;   // smoothing: vertex numbers grouped by class, ascending
    std::vector<uint8_t> pending;   // smoothing: vertex not yet in a group
    std::vector<int32_t> byNormal;  // smoothing: vertices of one crowded position sorted by normal
};

// Smoothing work (normal comparisons) allowed per corner at one position. A
// position shared by up to this many corners is always smoothed exactly; past
// that, once the work at the position reaches this many comparisons per corner,
// its corners not yet in a group are grouped only with corners of exactly the
// same normal, so a point shared by any number of corners costs time in
// proportion to that number (times its logarithm).
constexpr int64_t kSmoothingWorkPerCorner = 128;

// For each vertex v in order that is still pending: every vertex w at exactly
// v's position whose normal has a dot product with v's normal above cosLimit
// joins v's group (w may already belong to an earlier group, with that
// group's normal); the group's normals are summed in vertex order, the sum is
// normalised and becomes every member's normal. group collects the members.
// Positions crowded past kSmoothingWorkPerCorner finish with the bounded rule.
void SmoothNormals(const Vector3* positions, Vector3* normals, int count, float cosLimit, std::vector<int32_t>& group,
                   GroupingScratch& scratch);

// Welds vertices 0..count-1 in place: the first vertex of every set of
// vertices with exactly equal position, normal and coordinates (in each set of
// sets[0..setCount-1] that is not null) stays, in the order of first
// appearance, at the front of the arrays; map[i] receives the new number of
// vertex i. Returns the number of vertices kept.
int WeldVertices(Vector3* positions, Vector3* normals, TexCoord* const* sets, int setCount, uint32_t* map, int count,
                 GroupingScratch& scratch);

}  // namespace lwo
