// The mesh the rasterizer and back-end benchmarks draw: a wavy grid of 3,333
// triangles (19,998 unwelded corners in a 20,000-vertex mesh), one texture
// layer on texture handle 0, light grey vertex colours.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "tessaly/model_records.h"

namespace bench_support {

inline constexpr int kGridVertices = 20000;

struct WavyGrid {
    CMesh mesh;
    std::vector<uint32_t> colours;
    WavyGrid() : colours(kGridVertices, 0xFFE0E0E0) {
        mesh.Allocate(kGridVertices);
        mesh.AllocateTexCoords(0, kGridVertices);
        constexpr int kCols = 58;  // quads per row: 58 x 2 triangles
        int n = 0;
        for (int q = 0; n + 6 <= kGridVertices; ++q) {
            const float x = static_cast<float>(q % kCols), y = static_cast<float>(q / kCols);
            const float cx[4] = {x, x + 1, x + 1, x}, cy[4] = {y, y, y + 1, y + 1};
            const int order[6] = {0, 2, 1, 0, 3, 2};
            for (int k : order) {
                mesh.positions[n] = {(cx[k] - kCols / 2.0f) * 0.25f, (cy[k] - 29) * 0.25f,
                                     0.3f * std::sin(cx[k] * 0.7f)};
                mesh.texCoords[0][n] = {cx[k] / 8, cy[k] / 8};
                mesh.indices[n] = static_cast<uint32_t>(n);
                ++n;
            }
        }
        mesh.vertexCount = kGridVertices;
        mesh.indexCount = n;
        mesh.centre = {0, 0, 0};
        mesh.radius = 12;
        mesh.textureCount = 1;
        mesh.textureHandles[0] = 0;
    }
};

}  // namespace bench_support
