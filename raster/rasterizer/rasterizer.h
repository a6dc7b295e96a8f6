// The software rasterizer behind r_SimpleTLRender, r_SimpleIndexedTLRender and
// r_RenderSBM: triangle lists of TL vertices drawn into the device's back and
// depth surfaces under the current render states.
//
// Pipeline: fetch and validate each triangle (draw.cpp), cull by the sign of its
// homogeneous determinant, clip in homogeneous space against the near and far
// planes and a guard band (clip.cpp), set up fixed-point edge functions and
// attribute planes (triangle_setup.cpp), then cover the pixels with either the
// fast span walker (spans.cpp) or the plain per-pixel reference walker
// (reference.cpp). Both paths shade every pixel with the same functions
// (pixel_pipeline.h) from the same exact integer interpolants, so they give
// identical pixels.
#pragma once

#include <cstdint>

#include "raster/raster_device.h"

namespace raster {

enum class RasterPath { Fast, Reference };
// Selects the pixel walker (the fast one by default); tests and golden-image
// regeneration switch to the reference walker to compare.
void SetRasterPath(RasterPath path);
RasterPath CurrentRasterPath();

// One triangle-list submission. With both index pointers null the vertices are
// taken three at a time.
struct TriangleBatch {
    const TLVertex* vertices = nullptr;
    int vertexCount = 0;
    const uint16_t* indices16 = nullptr;
    const uint32_t* indices32 = nullptr;
    int indexCount = 0;
    // Optional: 4 floats per vertex (sx*w, sy*w, sz*w, w) with w the camera
    // depth, exact even for vertices on or behind the camera plane, where the
    // TL fields are infinite. Null: rebuilt from the TL fields (w = 1/rhw).
    const float* homogeneous = nullptr;
};

// Draws a triangle list under the device's render states. Triangles with an
// index at or beyond vertexCount, or with NaN or infinite vertex data, are
// dropped; nothing outside the surfaces or the viewport is written.
void DrawTriangles(Device& dev, const TriangleBatch& batch);

}  // namespace raster
