// The engine's lighting operations: pass-throughs to the lighting library, the
// vertex-colour buffer allocated with the light table, and per-model work
// (placing a model's light surfaces in the world, pre-illuminating and
// resetting every mesh of a model).
#include <memory>
#include <new>

#include "common/vecmath.h"
#include "engine/messages/messages.h"
#include "engine/models/model_store.h"
#include "tessaly/engine_api.h"
#include "tessaly/lighting_interface.h"

namespace {

// Created and released with the light table; the engine keeps it for itself.
std::unique_ptr<uint32_t[]> g_vertexColours;

// The model in a slot when the slot holds a loaded model, else null.
CModel* LoadedModel(int handle) {
    if (handle < 0 || handle >= ModelCapacity()) return nullptr;
    CModel* model = ModelAt(handle);
    if (model == nullptr || model->loaded != 1) return nullptr;
    return model;
}

}  // namespace

// ---- pass-throughs: arguments and results unchanged ----

TESSALY_EXPORT int r_AddLight(const Matrix44* placement, const float* rgb, float range, int type, uint8_t flag,
                              int extra) {
    return _AddLight(placement, rgb, range, type, flag, extra);
}

TESSALY_EXPORT int r_SetLightCone(int light, float coneAngle, float edgeAngle) {
    return _SetLightCone(light, coneAngle, edgeAngle);
}

TESSALY_EXPORT int r_KillLight(int light) { return _KillLight(light); }

TESSALY_EXPORT int r_KillAllLights(void) { return _KillAllLights(); }

TESSALY_EXPORT int r_SetAmbient(float red, float green, float blue) { return _SetAmbient(red, green, blue); }

TESSALY_EXPORT int r_LightMesh(CMesh* mesh, const Matrix44* model, uint32_t* coloursA, uint32_t* coloursB, int mode) {
    return _LightMesh(mesh, model, coloursA, coloursB, mode);
}

TESSALY_EXPORT int r_ResetSBMIllum(CMesh* mesh, float luminosity) { return _ResetSBMIllum(mesh, luminosity); }

// ---- light table and vertex-colour buffer ----

// The buffer is replaced on every call (the earlier one is released), also
// when the light table itself was already allocated.
TESSALY_EXPORT int r_AllocMaxLights(int lights, int vertexColours, r_MsgCallback cb) {
    const int result = _AllocMaxLights(lights, vertexColours, cb);
    g_vertexColours.reset();
    if (vertexColours < 0) {
        EngineMessage(cb, "r_AllocMaxLights : Error, Could not allocate %d rgba's\n", vertexColours);
        return -1;
    }
    g_vertexColours.reset(new (std::nothrow) uint32_t[static_cast<size_t>(vertexColours)]);
    if (!g_vertexColours) {
        EngineMessage(cb, "r_AllocMaxLights : Error, Could not allocate %d rgba's\n", vertexColours);
        return -1;
    }
    return result;
}

TESSALY_EXPORT int r_FreeAllocatedLights(r_MsgCallback cb) {
    const int result = _FreeAllocatedLights(cb);
    g_vertexColours.reset();
    return result;
}

// ---- per-model work ----

// Each light surface of the model becomes a light placed in the world: its
// placement carried by the model matrix, flag 1 for the pre-lit (P) kinds.
TESSALY_EXPORT int r_AddModelLights(int handle, const Matrix44* model, int extra) {
    const CModel* target = LoadedModel(handle);
    const int count = target ? ModelLightCount(handle) : 0;
    const ModelLight* lights = target ? ModelLights(handle) : nullptr;
    if (count <= 0 || lights == nullptr) return handle;
    const Matrix44 placement = model ? *model : MatIdentity();
    for (int i = 0; i < count; ++i) {
        const ModelLight& light = lights[i];
        Matrix44 world;
        MatMultiply(light.placement, placement, world);
        const float rgb[3] = {light.red, light.green, light.blue};
        const uint8_t flag = (light.type & LIGHT_PRELIT) ? 1 : 0;
        _AddLight(&world, rgb, light.range, light.type, flag, extra);
    }
    return count;
}

// An in-range slot without a loaded model has no meshes to light.
TESSALY_EXPORT int r_PreIllumModel(int handle, const Matrix44* model, r_MsgCallback cb) {
    if (handle < 0 || handle >= ModelCapacity()) {
        EngineMessage(cb, "r_PreIllumModel : Error, Object Handle Out Of Range (%d , 0 - %d)", handle,
                      ModelCapacity() - 1);
        return -1;
    }
    CModel* target = LoadedModel(handle);
    if (target == nullptr || target->meshes == nullptr) return 0;
    for (int i = 0; i < target->meshCount; ++i) {
        CMesh& mesh = target->meshes[i];
        _LightMesh(&mesh, model, mesh.coloursB, mesh.coloursA, 1);
    }
    return 0;
}

TESSALY_EXPORT int r_ResetModelIllum(int handle, r_MsgCallback cb) {
    CModel* target = LoadedModel(handle);
    if (target == nullptr) {
        EngineMessage(cb, "r_ResetObjectIllum : Object index out of range (%d , 0 - %d)\n", handle,
                      ModelCapacity() - 1);
        return -1;
    }
    if (target->meshes == nullptr) return 0;
    for (int i = 0; i < target->meshCount; ++i) {
        CMesh& mesh = target->meshes[i];
        _ResetSBMIllum(&mesh, mesh.luminosity);
    }
    return 0;
}
