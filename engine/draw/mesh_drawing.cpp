// r_DrawCMeshData: draws the meshes of a loaded model under a model matrix.
// Opaque meshes are lit and handed to the back-end at once; transparent and
// specially blended ones go to the alpha list while it has room.
#include "engine/draw/alpha_meshes.h"
#include "engine/draw/camera.h"
#include "engine/draw/environment_mapping.h"
#include "engine/models/model_store.h"
#include "engine/raster_link/raster_link.h"
#include "tessaly/engine_api.h"
#include "tessaly/lighting_interface.h"

namespace {

constexpr int kReflectionTexture = 8;  // texture kind of reflection slots

void DrawMeshNow(CMesh& mesh, const Matrix44& model) {
    const RasterEntryTable& r = Raster();
    // Lighting waits for the first presented frame: until then the colours
    // the scene set-up stored are drawn as they are.
    if (FramePresented()) _LightMesh(&mesh, &model, mesh.coloursA, mesh.coloursB, 0);

    bool haveModelToCamera = false;
    Matrix44 modelToCamera;
    for (int k = 0; k < mesh.textureCount && k < kMeshTextureSlots; ++k) {
        if (mesh.textureKinds[k] != kReflectionTexture) continue;
        if (!haveModelToCamera) {
            Matrix44 inverseCamera;
            MatInverseAffine(CameraMatrix(), inverseCamera);
            MatMultiply(model, inverseCamera, modelToCamera);
            haveModelToCamera = true;
        }
        WriteEnvironmentCoords(mesh, k, modelToCamera);
    }
    r.SetRenderState(RS_ALPHABLEND, 0);
    r.RenderSBM(&mesh, mesh.coloursA, 0, 0);
}

bool Deferred(const CMesh& mesh) { return mesh.transparency > 0.0f || (mesh.blendMode & 0xFF) != BLEND_TRANSLUCENT; }

}  // namespace

// The draw flags are accepted and not interpreted. A slot that holds no model
// (never loaded, or left free by a failed load) draws nothing.
TESSALY_EXPORT int r_DrawCMeshData(int handle, Matrix44 model, int flags) {
    (void)flags;
    if (handle < 0 || handle >= ModelCapacity()) return -1;
    CModel* target = ModelAt(handle);
    if (target == nullptr || target->loaded != 1 || target->meshes == nullptr) return 0;

    const RasterEntryTable& r = Raster();
    r.Start3D();
    r.SetRenderState(RS_ZCHECK, 1);
    r.SetRenderState(RS_ZWRITE, 1);
    r.SetModelMatrix(&model);
    for (int i = 0; i < target->meshCount; ++i) {
        CMesh& mesh = target->meshes[i];
        if (mesh.transparency == 1.0f) continue;
        if (Deferred(mesh) && DeferAlphaMesh(&mesh, model)) continue;
        DrawMeshNow(mesh, model);
    }
    r.End3D();
    return 0;
}
