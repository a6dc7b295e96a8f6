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
// The fast walker with the AVX2 block shader (only on processors with AVX2).
void FillTriangleFastAvx2(const DrawContext& dc, const TriangleSetup& ts);

// The fast walker's block shader: AVX2 (eight pixels per instruction) when the
// processor has it, else SSE2 (four). Both give the same pixels.
bool ProcessorHasAvx2();
// Chooses AVX2 when wanted and the processor has it; returns whether it is in use.
bool UseAvx2Blocks(bool wanted);
bool Avx2BlocksInUse();

// Point fill: the pixel nearest the vertex. Wireframe: the line from a to b,
// its last pixel left out, attributes interpolated along it (texture
// coordinates perspective-correct, top mip level).
void DrawPoint(const DrawContext& dc, const ScreenVertex& v);
void DrawLine(const DrawContext& dc, const ScreenVertex& a, const ScreenVertex& b);

}  // namespace raster
