// The pixel walkers: they visit the pixels of a set-up triangle, or of a point
// or line, and shade them with the shared pixel pipeline.
#pragma once

#include "raster/rasterizer/clip.h"
#include "raster/rasterizer/triangle_setup.h"

namespace raster {

// Plain reference: tests every pixel of the bounds against the three edge
// functions and evaluates every attribute plane afresh. With antialiasing it
// shades every pixel with at least one covered sample, weighted by coverage.
void FillTriangleReference(const DrawContext& dc, const TriangleSetup& ts);

// Fast: computes each row's span exactly from the edge functions and steps
// the attribute planes across it with specialised inner loops. Identical
// pixels to the reference; antialiased triangles take the reference walker.
void FillTriangleFast(const DrawContext& dc, const TriangleSetup& ts);

// Point fill: the pixel nearest the vertex. Wireframe: the line from a to b,
// its last pixel left out, attributes interpolated along it (texture
// coordinates perspective-correct, top mip level).
void DrawPoint(const DrawContext& dc, const ScreenVertex& v);
void DrawLine(const DrawContext& dc, const ScreenVertex& a, const ScreenVertex& b);

}  // namespace raster
