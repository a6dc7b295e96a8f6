// Primitive submission, texture binding, scene brackets and the depth probe.
#include <type_traits>

#include "raster/raster_device.h"
#include "raster/rasterizer/draw_queue.h"
#include "raster/rasterizer/rasterizer.h"

// The software device draws at any time; the scene brackets only record that a
// scene is open, and a second r_3DStart or an unmatched r_3DEnd is harmless.
TESSALY_EXPORT int r_3DStart(void) {
    raster::GetDevice().inScene = true;
    return 0;
}

TESSALY_EXPORT int r_3DEnd(void) {
    raster::GetDevice().inScene = false;
    return 0;
}

// Binds a texture handle (or -1 for none) to stage 0, the one stage that is
// sampled; other stages are accepted and have no effect. The handle is resolved
// at each draw: one outside the store or naming an empty slot draws untextured.
TESSALY_EXPORT int r_SetTexture(int stage, int handle) {
    if (stage != 0) return 0;
    raster::GetDevice().state.texture = handle < 0 ? -1 : handle;
    return 0;
}

// The clip flag is advisory: every triangle is clipped to the near and far
// planes and the viewport whatever the caller promises.
TESSALY_EXPORT int r_SimpleTLRender(const TLVertex* vertices, int vertexCount, int, int) {
    raster::TriangleBatch batch;
    batch.vertices = vertices;
    batch.vertexCount = vertexCount;
    raster::DrawTriangles(raster::GetDevice(), batch);
    return 0;
}

TESSALY_EXPORT int r_SimpleIndexedTLRender(const TLVertex* vertices, int vertexCount, const uint16_t* indices,
                                           int indexCount, int) {
    if (indices == nullptr) return 0;
    raster::TriangleBatch batch;
    batch.vertices = vertices;
    batch.vertexCount = vertexCount;
    batch.indices16 = indices;
    batch.indexCount = indexCount;
    raster::DrawTriangles(raster::GetDevice(), batch);
    return 0;
}

// Sparse depth probe: every eighth column of every third row of the rectangle.
// Samples are read at the depth surface's own width and compared on the
// 0..65535 scale (a 32-bit sample d becomes d / 65537, which maps the full
// range onto 0..65535 exactly). Samples outside the surface are never read,
// so a rectangle starting at x = W or y = H probes nothing.
TESSALY_EXPORT int r_ZTest(int x0, int y0, int x1, int y1, unsigned depth) {
    raster::FinishDrawing();
    const raster::Device& dev = raster::GetDevice();
    const int w = dev.back.width, h = dev.back.height;
    if (x0 < 0 || x0 > w || x1 < 0 || x1 > w || y0 < 0 || y0 > h || y1 < 0 || y1 > h) return 0;
    const raster::DepthSurface& ds = dev.depth;
    if (!ds.present()) return 0;
    for (int y = y0; y - y0 < y1 - y0; y += 3) {
        if (y >= ds.height) break;
        const uint8_t* row = ds.samples.data() + static_cast<size_t>(y) * static_cast<size_t>(ds.pitch);
        for (int x = x0; x - x0 < x1 - x0; x += 8) {
            if (x >= ds.width) break;
            unsigned sample;
            if (ds.bits == 32)
                sample = reinterpret_cast<const uint32_t*>(row)[x] / 65537u;
            else
                sample = reinterpret_cast<const uint16_t*>(row)[x];
            if (sample >= depth) return 1;
        }
    }
    return 0;
}
