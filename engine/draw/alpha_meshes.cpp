// The alpha list and its flush. The entries point into the model store, so the
// models stay loaded until the flush; the arrays are created once by
// r_AllocMaxAlphaMeshes and reused every frame.
#include "engine/draw/alpha_meshes.h"

#include <memory>
#include <new>

#include "engine/draw/camera.h"
#include "engine/raster_link/raster_link.h"
#include "tessaly/engine_api.h"
#include "tessaly/lighting_interface.h"

namespace {

struct AlphaList {
    int capacity = 0;
    int count = 0;
    std::unique_ptr<CMesh*[]> meshes;
    std::unique_ptr<Matrix44[]> matrices;
    std::unique_ptr<int[]> order;
    std::unique_ptr<float[]> keys;
};

AlphaList g_alpha;

}  // namespace

bool DeferAlphaMesh(CMesh* mesh, const Matrix44& model) {
    if (g_alpha.count >= g_alpha.capacity) return false;
    g_alpha.meshes[g_alpha.count] = mesh;
    g_alpha.matrices[g_alpha.count] = model;
    ++g_alpha.count;
    return true;
}

// A second allocation replaces the arrays (the old ones are released, their
// entries dropped). When memory runs out the list stays at capacity 0 and
// every mesh is drawn at once.
TESSALY_EXPORT int r_AllocMaxAlphaMeshes(int capacity) {
    g_alpha = AlphaList{};
    if (capacity <= 0) return 0;
    const size_t n = static_cast<size_t>(capacity);
    g_alpha.meshes.reset(new (std::nothrow) CMesh*[n]);
    g_alpha.matrices.reset(new (std::nothrow) Matrix44[n]);
    g_alpha.order.reset(new (std::nothrow) int[n]);
    g_alpha.keys.reset(new (std::nothrow) float[n]);
    if (g_alpha.meshes && g_alpha.matrices && g_alpha.order && g_alpha.keys)
        g_alpha.capacity = capacity;
    else
        g_alpha = AlphaList{};
    return 0;
}

TESSALY_EXPORT int r_FreeAllocatedAlphaMeshes(void) {
    g_alpha = AlphaList{};
    return 0;
}

TESSALY_EXPORT int r_FlushAlphaMeshes(void) {
    const RasterEntryTable& r = Raster();
    const Matrix44& camera = CameraMatrix();
    const Vector3 eye{camera.m[12], camera.m[13], camera.m[14]};
    const int count = g_alpha.count;

    // Farthest first: the distance from the camera to the sphere's far side.
    for (int i = 0; i < count; ++i) {
        const CMesh& mesh = *g_alpha.meshes[i];
        Vector3 q = mesh.centre;
        VecTransform(q, g_alpha.matrices[i]);
        g_alpha.keys[i] = VecDistance(q, eye) + mesh.radius;
    }
    if (count > 0) SortKeysDescending(g_alpha.order.get(), g_alpha.keys.get(), count);

    r.Start3D();
    r.SetRenderState(RS_ALPHABLEND, 1);
    r.SetRenderState(RS_ZWRITE, 0);
    for (int i = 0; i < count; ++i) {
        const int a = g_alpha.order[i];
        CMesh* mesh = g_alpha.meshes[a];
        const Matrix44& model = g_alpha.matrices[a];
        r.SetRenderState(RS_BLENDMODE, mesh->blendMode);
        r.SetTexture(0, mesh->textureHandles[0] < 0 ? -1 : mesh->textureHandles[0]);
        if (FramePresented()) _LightMesh(mesh, &model, mesh->coloursA, mesh->coloursB, 0);
        r.SetModelMatrix(&model);
        r.RenderSBM(mesh, mesh->coloursA, 0, 0);
    }
    g_alpha.count = 0;
    return r.End3D();
}
