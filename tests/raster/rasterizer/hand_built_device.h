// A hand-built device for the rasterizer tests and benchmarks: surfaces of a
// chosen format, render states reset, helpers for TL vertices, pixels and
// textures. Free of the test framework, so the benchmarks can share it.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/raster_device.h"
#include "raster/rasterizer/draw_queue.h"
#include "raster/rasterizer/rasterizer.h"
#include "raster/rasterizer/walkers.h"

TESSALY_EXPORT int r_SetRenderState(int code, int value);
TESSALY_EXPORT int r_SetTexture(int stage, int handle);
TESSALY_EXPORT int r_SimpleTLRender(const TLVertex* vertices, int vertexCount, int clip, int reserved);
TESSALY_EXPORT int r_SimpleIndexedTLRender(const TLVertex* vertices, int vertexCount, const uint16_t* indices,
                                           int indexCount, int clip);
TESSALY_EXPORT int r_ZTest(int x0, int y0, int x1, int y1, unsigned depth);
TESSALY_EXPORT int r_SetCamMatrix(const Matrix44* camera);
TESSALY_EXPORT int r_SetModelMatrix(const Matrix44* model);
TESSALY_EXPORT int r_SetFrustum(float fov, float aspect, float nearDistance, float farDistance, r_MsgCallback cb);
TESSALY_EXPORT int r_AllocMaxVtcs(int count, r_MsgCallback cb);
TESSALY_EXPORT int r_FreeAllocatedVtcs(r_MsgCallback cb);
TESSALY_EXPORT int r_TransformIntoCamSpace(const Vector3* in, Vector3* out, int count, Matrix44 model, int reserved);
TESSALY_EXPORT int r_FullVertexCamWork(TLVertex* out, const Vector3* in, int count);
TESSALY_EXPORT int r_TransformInto2DSpace(TLVertex* out, const Vector3* in, int count);
TESSALY_EXPORT int r_RenderSBM(CMesh* mesh, const uint32_t* colours, int reserved1, int reserved2);
TESSALY_EXPORT int r_SetViewportArea(float left, float top, float right, float bottom, r_MsgCallback cb);

namespace rt {

// w x h back surface (colour 0) and depth surface (far), states reset, whole-
// frame viewport, 8 empty texture slots, identity camera and model, frustum
// F 1.2, A 1, N 0.5, R 100, fast walker.
void MakeDevice(int w, int h, raster::PixelFormat format = raster::PixelFormat::XRGB8888, int depthBits = 16);
// Drops what is recorded and goes back to one drawing thread.
void ReleaseDevice();
// Pixel and Depth finish the recorded drawing first.

TLVertex V(float x, float y, float z = 0.5f, uint32_t colour = 0xFFFFFFFF, float u = 0, float v = 0, float rhw = 1);
// Two clockwise triangles over the rectangle (x0, y0)-(x1, y1), pair 0 from (0, 0) to (us, vs).
void Quad(float x0, float y0, float x1, float y1, uint32_t colour = 0xFFFFFFFF, float us = 1, float vs = 1,
          float z = 0.5f);

// The world-space quad p through r_FullVertexCamWork, white, with texel points
// (0, 0), (us, 0), (us, vs), (0, vs), drawn with culling off.
void DrawWorldQuad(const Vector3 (&p)[4], float us, float vs);

uint32_t Pixel(int x, int y);  // 0x00RRGGBB (RGB565 widened)
uint32_t Depth(int x, int y);
void FillColour(uint32_t rgb);
void FillDepth(uint32_t value);
int CountPixels(uint32_t rgb);
// Texture slot handle: level 0 given, lower levels by 2 x 2 box filter when mips.
void AddTexture(int handle, int w, int h, const std::vector<uint32_t>& texels, bool mips);
// A size x size texture whose level k is all colours[k].
void AddLevelColouredTexture(int handle, int size, const std::vector<uint32_t>& colours);
std::vector<uint32_t> Checker(int size, int cell, uint32_t a, uint32_t b);

}  // namespace rt
