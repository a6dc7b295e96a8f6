// r_RenderSBM: whole-mesh draw with bounding-sphere rejection, projection into
// the TL vertex buffer and one pass per texture layer.
#include <algorithm>
#include <cmath>
#include <type_traits>

#include "raster/raster_device.h"
#include "raster/rasterizer/rasterizer.h"

TESSALY_EXPORT int r_SetRenderState(int code, int value);

namespace {

// Classifies a model-space sphere under the current model matrix against the
// view frustum: 64 wholly outside, 0 wholly inside, otherwise the planes it
// crosses (1 near, 2 far, 4 top, 8 bottom, 16 left, 32 right).
int ClassifySphere(const Vector3& centre, float r) {
    const raster::TransformState& xf = raster::GetDevice().xf;
    Matrix44 p;
    MatMultiply(xf.model, xf.inverseCamera, p);
    const float cx = centre.x * p.m[0] + centre.y * p.m[4] + centre.z * p.m[8] + p.m[12];
    const float cy = centre.x * p.m[1] + centre.y * p.m[5] + centre.z * p.m[9] + p.m[13];
    const float cz = centre.x * p.m[2] + centre.y * p.m[6] + centre.z * p.m[10] + p.m[14];
    const float n = xf.nearDistance, f = xf.farDistance;
    if (cz + r < n) return 64;
    if (cz - f > r) return 64;
    int result = 0;
    if (cz - n < r) result += 1;
    if (f - cz < r) result += 2;
    auto dot = [&](const Vector3& v) { return v.x * cx + v.y * cy + v.z * cz; };
    const float dl = dot(xf.leftPlane);
    if (dl + r < 0) return 64;
    const float dr = dot(xf.rightPlane);
    if (dr + r < 0) return 64;
    const float db = dot(xf.bottomPlane);
    if (db + r < 0) return 64;
    const float dt = dot(xf.topPlane);
    if (dt + r < 0) return 64;
    if (dr < r) result += 32;
    if (dl < r) result += 16;
    if (dt < r) result += 4;
    if (db < r) result += 8;
    return result;
}

}  // namespace

// Robustness beyond the call contract: a mesh with more vertices than the TL
// buffer holds is drawn with the vertices that fit (triangles reaching past
// them are dropped), counts are bounded by the mesh's allocated capacity, a
// texture count above eight is taken as eight, and a missing texture-coordinate
// set gives coordinates (0, 0).
TESSALY_EXPORT int r_RenderSBM(CMesh* mesh, const uint32_t* colours, int, int) {
    if (mesh == nullptr) return 0;
    raster::Device& dev = raster::GetDevice();
    const int cls = ClassifySphere(mesh->centre, mesh->radius);
    if (cls & 64) return cls;

    int vertexCount = std::max(mesh->vertexCount, 0);
    int indexCount = std::max(mesh->indexCount, 0);
    if (mesh->capacity > 0) {
        vertexCount = std::min(vertexCount, mesh->capacity);
        indexCount = std::min(indexCount, mesh->capacity);
    }
    vertexCount = std::min(vertexCount, static_cast<int>(dev.tlBuffer.size()));
    if (mesh->positions == nullptr || mesh->indices == nullptr) return cls;
    const int textureCount = std::clamp(mesh->textureCount, 0, kMeshTextureSlots);

    TLVertex* tl = dev.tlBuffer.data();
    float* hom = dev.tlHomogeneous.data();
    const raster::TransformState& xf = dev.xf;
    const Matrix44& m = xf.screen;
    for (int i = 0; i < vertexCount; ++i) {
        const Vector3& p = mesh->positions[i];
        const float x = p.x * m.m[0] + p.y * m.m[4] + p.z * m.m[8] + m.m[12];
        const float y = p.x * m.m[1] + p.y * m.m[5] + p.z * m.m[9] + m.m[13];
        const float z = p.x * m.m[2] + p.y * m.m[6] + p.z * m.m[10] + m.m[14];
        const float rhw = 1.0f / z;
        TLVertex& v = tl[i];
        v.sx = x * rhw + xf.centreX;
        v.sy = xf.centreY - y * rhw;
        v.sz = xf.depthFactor - xf.depthOffset * rhw;
        v.rhw = rhw;
        v.diffuse = colours ? colours[i] : 0xFFFFFFFFu;
        v.specular = 0;
        for (int k = 0; k < textureCount; ++k) {
            const TexCoord* set = mesh->texCoords[k];
            const bool ok = set != nullptr && (mesh->texCoordCapacity[k] <= 0 || i < mesh->texCoordCapacity[k]);
            v.tex[k][0] = ok ? set[i].u : 0.0f;
            v.tex[k][1] = ok ? set[i].v : 0.0f;
        }
        // Homogeneous screen position, exact also on and behind the camera plane.
        float* h = hom + static_cast<size_t>(i) * 4;
        h[0] = x + xf.centreX * z;
        h[1] = xf.centreY * z - y;
        h[2] = xf.depthFactor * z - xf.depthOffset;
        h[3] = z;
    }

    dev.state.cull = mesh->doubleSided ? raster::CullMode::None : raster::CullMode::CounterClockwise;

    raster::TriangleBatch batch;
    batch.vertices = tl;
    batch.vertexCount = vertexCount;
    batch.indices32 = mesh->indices;
    batch.indexCount = indexCount;
    batch.homogeneous = hom;

    if (textureCount == 0) {
        dev.state.texture = -1;
        raster::DrawTriangles(dev, batch);
        return cls;
    }
    float layerAlpha = mesh->layerAlpha;
    if (!(layerAlpha >= 0.0f)) layerAlpha = 0.0f;
    if (layerAlpha > 1.0f) layerAlpha = 1.0f;
    const uint32_t alpha = static_cast<uint32_t>(static_cast<int>(layerAlpha * 255.0f));
    for (int j = 0; j < textureCount; ++j) {
        const int handle = mesh->textureHandles[j];
        if (j > 0) {
            r_SetRenderState(RS_ALPHABLEND, 1);
            r_SetRenderState(RS_BLENDMODE, BLEND_TRANSLUCENT);
            for (int i = 0; i < vertexCount; ++i) {
                tl[i].tex[0][0] = tl[i].tex[j][0];
                tl[i].tex[0][1] = tl[i].tex[j][1];
                tl[i].diffuse = (tl[i].diffuse & 0x00FFFFFFu) | (alpha << 24);
            }
        }
        dev.state.texture = handle < 0 ? -1 : handle;
        raster::DrawTriangles(dev, batch);
    }
    return cls;
}
