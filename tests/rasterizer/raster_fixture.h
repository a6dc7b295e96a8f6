// A hand-built device for rasterizer tests: back and depth surfaces of a chosen
// format, render states reset, helpers to make TL vertices and textures.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "raster/raster_device.h"
#include "raster/rasterizer/rasterizer.h"
#include "tessaly/raster_interface.h"

TESSALY_EXPORT int r_SetRenderState(int code, int value);
TESSALY_EXPORT int r_SetTexture(int stage, int handle);
TESSALY_EXPORT int r_SimpleTLRender(const TLVertex* vertices, int vertexCount, int clip, int reserved);
TESSALY_EXPORT int r_SimpleIndexedTLRender(const TLVertex* vertices, int vertexCount, const uint16_t* indices,
                                           int indexCount, int clip);
TESSALY_EXPORT int r_ZTest(int x0, int y0, int x1, int y1, unsigned depth);
TESSALY_EXPORT int r_SetCamMatrix(const Matrix44* camera);
TESSALY_EXPORT int r_SetModelMatrix(const Matrix44* model);
TESSALY_EXPORT int r_SetFrustum(float fieldOfView, float aspect, float nearDistance, float farDistance,
                                r_MsgCallback cb);
TESSALY_EXPORT int r_AllocMaxVtcs(int count, r_MsgCallback cb);
TESSALY_EXPORT int r_FreeAllocatedVtcs(r_MsgCallback cb);
TESSALY_EXPORT int r_TransformIntoCamSpace(const Vector3* in, Vector3* out, int count, Matrix44 model, int reserved);
TESSALY_EXPORT int r_FullVertexCamWork(TLVertex* out, const Vector3* in, int count);
TESSALY_EXPORT int r_TransformInto2DSpace(TLVertex* out, const Vector3* in, int count);
TESSALY_EXPORT int r_RenderSBM(CMesh* mesh, const uint32_t* colours, int reserved1, int reserved2);
TESSALY_EXPORT int r_SetViewportArea(float left, float top, float right, float bottom, r_MsgCallback cb);

namespace rt {

// Sets up the device with a w x h back surface and a depth surface, clears
// colour to 0 and depth to the far value, resets render states, transforms,
// viewport (whole frame), textures (capacity 8, empty) and the raster path.
void MakeDevice(int w, int h, raster::PixelFormat format = raster::PixelFormat::XRGB8888, int depthBits = 16);
void ReleaseDevice();

// A TL vertex at (x, y) with depth z, rhw, colour 0xAARRGGBB and pair 0 (u, v).
TLVertex V(float x, float y, float z = 0.5f, uint32_t colour = 0xFFFFFFFF, float u = 0, float v = 0, float rhw = 1);

uint32_t Pixel(int x, int y);  // 0x00RRGGBB (RGB565 widened)
uint32_t RawPixel(int x, int y);
uint32_t Depth(int x, int y);
void FillColour(uint32_t rgb);
void FillDepth(uint32_t value);
int CountPixels(uint32_t rgb);  // pixels equal to rgb
// Puts a texture into slot handle: level 0 given, lower levels by 2 x 2 box
// filter when mips is true.
void AddTexture(int handle, int w, int h, const std::vector<uint32_t>& texels, bool mips);
// Solid-colour texture levels (level k all colours[k]).
void AddLevelColouredTexture(int handle, int size, const std::vector<uint32_t>& colours);

class RasterTest : public ::testing::Test {
protected:
    void SetUp() override { MakeDevice(64, 64); }
    void TearDown() override { ReleaseDevice(); }
};

}  // namespace rt
