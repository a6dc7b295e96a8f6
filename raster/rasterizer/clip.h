// Homogeneous clipping of one triangle against the near and far planes
// (0 <= sz <= 1) and the guard band, before the perspective divide.
#pragma once

#include "raster/rasterizer/state_setup.h"

namespace raster {

// A vertex in homogeneous screen space: hx = sx*w, hy = sy*w, hz = sz*w, w the
// camera depth; attributes interpolate linearly in this space.
struct ClipVertex {
    double hx, hy, hz, w;
    float colour[4];  // red, green, blue, alpha, 0..255
    float u, v;       // texture pair 0
};

// A vertex after the divide, ready for triangle set-up.
struct ScreenVertex {
    float sx, sy, sz, rhw;
    float colour[4];  // red, green, blue, alpha, 0..255
    float u, v;
};

// Largest polygon the clipper can produce from a triangle and six planes.
constexpr int kMaxClipVertices = 9;

// True when the vertex lies inside every clip plane.
bool InsideClipVolume(const DrawContext& dc, const ClipVertex& v);

// Clips triangle in[0..2] and divides; returns the vertex count of the convex
// result (0 when nothing is left), at most kMaxClipVertices.
int ClipTriangle(const DrawContext& dc, const ClipVertex in[3], ScreenVertex out[kMaxClipVertices]);

}  // namespace raster
