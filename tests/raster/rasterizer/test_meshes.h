// Meshes the rasterizer tests draw through r_RenderSBM, header-only so that
// the tests of the loaded module can use them too.
#pragma once

#include <algorithm>
#include <cstdint>

#include "tessaly/model_records.h"

namespace rt {

// A 2 x 2 square at depth 4 facing the camera, wound clockwise on screen:
// 4 corners, 6 indices, room for 6 vertices. False when it cannot allocate.
inline bool FacingSquare(CMesh& mesh) {
    if (!mesh.Allocate(6)) return false;
    const Vector3 p[4] = {{-1, -1, 4}, {1, -1, 4}, {1, 1, 4}, {-1, 1, 4}};
    const uint32_t idx[6] = {0, 2, 1, 0, 3, 2};
    std::copy(p, p + 4, mesh.positions);
    std::copy(idx, idx + 6, mesh.indices);
    mesh.vertexCount = 4;
    mesh.indexCount = 6;
    mesh.centre = {0, 0, 4};
    mesh.radius = 1.5f;
    return true;
}

}  // namespace rt
