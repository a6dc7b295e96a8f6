// The model store: a fixed number of model slots, each with its meshes, the
// lights derived from its light surfaces and the name it was loaded under.
#include "engine/models/model_store.h"

#include <cstring>
#include <memory>
#include <new>

#include "engine/messages/messages.h"

namespace {

struct NameText {
    char text[256];
};

struct ModelStore {
    std::unique_ptr<CModel[]> models;
    std::unique_ptr<uint16_t[]> lightCounts;
    std::unique_ptr<std::unique_ptr<ModelLight[]>[]> lights;
    std::unique_ptr<NameText[]> names;
    int capacity = 0;
};

ModelStore gStore;

bool InRange(int handle) { return handle >= 0 && handle < gStore.capacity; }

// The model's meshes when both handle and mesh index are in range, else null.
const CMesh* MeshAt(int handle, int mesh) {
    if (!InRange(handle)) return nullptr;
    const CModel& model = gStore.models[handle];
    if (!model.meshes || mesh < 0 || mesh >= model.meshCount) return nullptr;
    return &model.meshes[mesh];
}

}  // namespace

// ---------------------------------------------------------------- accessors

int ModelCapacity() { return gStore.capacity; }

int ModelLoadedCount() {
    int count = 0;
    for (int i = 0; i < gStore.capacity; ++i) count += gStore.models[i].loaded == 1;
    return count;
}

CModel* ModelAt(int handle) { return InRange(handle) ? &gStore.models[handle] : nullptr; }

bool ModelIsLoaded(int handle) { return InRange(handle) && gStore.models[handle].loaded == 1; }

int ModelLightCount(int handle) { return InRange(handle) ? gStore.lightCounts[handle] : 0; }

const ModelLight* ModelLights(int handle) { return InRange(handle) ? gStore.lights[handle].get() : nullptr; }

const char* ModelName(int handle) { return InRange(handle) ? gStore.names[handle].text : nullptr; }

void ClearModelSlot(int handle) {
    if (!InRange(handle)) return;
    gStore.models[handle].Clear();
    gStore.lights[handle].reset();
    gStore.lightCounts[handle] = 0;
    gStore.names[handle].text[0] = '\0';
}

int FindModelByName(const char* name) {
    for (int i = 0; i < gStore.capacity; ++i)
        if (gStore.models[i].loaded == 1 && std::strcmp(gStore.names[i].text, name) == 0) return i;
    return -1;
}

void SetModelName(int handle, const char* name) {
    if (!InRange(handle)) return;
    char* stored = gStore.names[handle].text;
    const size_t length = strnlen(name, sizeof gStore.names[handle].text - 1);
    std::memmove(stored, name, length);  // name may be the stored text itself
    stored[length] = '\0';
}

void SetModelLights(int handle, ModelLight* lights, int count) {
    if (!InRange(handle)) {
        delete[] lights;
        return;
    }
    gStore.lights[handle].reset(lights);
    gStore.lightCounts[handle] = lights ? uint16_t(count) : 0;
}

bool CopyModelSlot(int source, int target) {
    const CModel& from = gStore.models[source];
    CModel& to = gStore.models[target];
    ClearModelSlot(target);
    const int meshCount = from.meshes ? from.meshCount : 0;
    if (!to.AllocateMeshes(meshCount)) {
        ClearModelSlot(target);
        return false;
    }
    to.meshesAllocated = from.meshesAllocated;
    to.loaded = from.loaded;
    to.radius = from.radius;
    to.centre = from.centre;
    to.reserved = from.reserved;
    for (int i = 0; i < meshCount; ++i) {
        if (!to.meshes[i].CopyFrom(from.meshes[i])) {
            ClearModelSlot(target);
            return false;
        }
    }
    const int lightCount = gStore.lights[source] ? gStore.lightCounts[source] : 0;
    if (lightCount > 0) {
        ModelLight* copy = new (std::nothrow) ModelLight[size_t(lightCount)];
        if (!copy) {
            ClearModelSlot(target);
            return false;
        }
        std::memcpy(copy, gStore.lights[source].get(), sizeof(ModelLight) * size_t(lightCount));
        SetModelLights(target, copy, lightCount);
    }
    SetModelName(target, gStore.names[source].text);
    return true;
}

// ---------------------------------------------------------------- store

TESSALY_EXPORT int r_AllocMaxModels(int capacity, r_MsgCallback cb) {
    if (gStore.models || gStore.capacity || gStore.lightCounts || gStore.lights) {
        return EngineMessage(cb,
                             "r_AllocMaxModels : %d Models Already Allocated , use r_FreeAllocatedModels first\n",
                             gStore.capacity);
    }
    const size_t n = capacity >= 0 ? size_t(capacity) : 0;
    if (capacity >= 0) gStore.models.reset(new (std::nothrow) CModel[n]);
    if (!gStore.models) return EngineMessage(cb, "r_AllocMaxModels : Failed to Allocate %d Models\n", capacity);

    const char* failure = nullptr;
    gStore.lightCounts.reset(new (std::nothrow) uint16_t[n]());
    if (!gStore.lightCounts) failure = "r_AllocMaxModels : Failed to Allocate %d Model Lights Num\n";
    if (!failure) {
        gStore.lights.reset(new (std::nothrow) std::unique_ptr<ModelLight[]>[n]);
        if (!gStore.lights) failure = "r_AllocMaxModels : Failed to Allocate %d Model Lights\n";
    }
    if (!failure) {
        gStore.names.reset(new (std::nothrow) NameText[n]);
        if (!gStore.names) failure = "r_AllocMaxModels : Failed to Allocate %d Model Names\n";
    }
    if (failure) {
        gStore = ModelStore{};
        return EngineMessage(cb, failure, capacity);
    }
    for (size_t i = 0; i < n; ++i) gStore.names[i].text[0] = '\0';
    gStore.capacity = capacity;
    return EngineMessage(cb, "r_AllocMaxModels : Allocated %d Models\n", capacity);
}

TESSALY_EXPORT int r_FreeAllocatedModels(r_MsgCallback cb) {
    gStore = ModelStore{};
    return EngineMessage(cb, "r_FreeAllocatedModels : Models Deallocated\n");
}

// Empties one slot (meshes, lights, name) so that a later load can take it.
// Mesh pointers handed out for it are invalid afterwards.
TESSALY_EXPORT int r_FreeModel(int handle, r_MsgCallback cb) {
    if (gStore.capacity == 0) {
        EngineMessage(cb, "r_FreeModel : Error, Objects Not Allocated\n");
        return -1;
    }
    if (!InRange(handle)) {
        EngineMessage(cb, "r_FreeModel : Error, Handle Out Of Range (%d , 0 - %d)\n", handle, gStore.capacity - 1);
        return -1;
    }
    ClearModelSlot(handle);
    return 0;
}

TESSALY_EXPORT int r_CopyModel(int source, int target, r_MsgCallback cb) {
    if (gStore.capacity == 0) {
        EngineMessage(cb, "r_CopyModel : Error, Objects Not Allocated\n");
        return -1;
    }
    if (!InRange(source)) {
        EngineMessage(cb, "r_CopyModel : Error, Source Handle Out Of Range (%d , 0 - %d)\n", source,
                      gStore.capacity - 1);
        return -1;
    }
    if (!InRange(target)) {
        EngineMessage(cb, "r_CopyModel : Error, Destination Handle Out Of Range (%d , 0 - %d)\n", target,
                      gStore.capacity - 1);
        return -1;
    }
    if (source == target) return target;  // already holds itself
    if (!CopyModelSlot(source, target)) {
        EngineMessage(cb, "r_CopyModel : Error, Not Enough Memory\n");
        return -1;
    }
    return target;
}

// ---------------------------------------------------------------- queries

TESSALY_EXPORT Vector3 r_GetModelCenter(int handle) {
    return InRange(handle) ? gStore.models[handle].centre : Vector3{0.0f, 0.0f, 0.0f};
}

TESSALY_EXPORT float r_GetModelRadius(int handle) { return InRange(handle) ? gStore.models[handle].radius : 0.0f; }

TESSALY_EXPORT int r_GetSurfNum(int handle) { return InRange(handle) ? gStore.models[handle].meshCount : 0; }

TESSALY_EXPORT const char* r_GetSurfName(int handle, int mesh) {
    const CMesh* m = MeshAt(handle, mesh);
    return m ? m->name : nullptr;
}

TESSALY_EXPORT int r_GetSurfTexturesNum(int handle, int mesh) {
    const CMesh* m = MeshAt(handle, mesh);
    return m ? m->textureCount : 0;
}

TESSALY_EXPORT int r_GetSurfTextureIdx(int handle, int mesh, int slot) {
    const CMesh* m = MeshAt(handle, mesh);
    if (!m) return 0;
    if (slot < 0 || slot >= kMeshTextureSlots) return -1;  // no such slot: no texture
    return m->textureHandles[slot];
}

TESSALY_EXPORT int r_GetMeshesNum(int handle, r_MsgCallback cb) {
    if (!InRange(handle)) {
        EngineMessage(cb, "r_GetMeshesNum : Error, Object Handle Out Of Range (%d , 0 - %d)", handle,
                      gStore.capacity - 1);
        return 0;
    }
    return gStore.models[handle].meshCount;
}

TESSALY_EXPORT CMesh* r_GetMeshPointer(int handle, int mesh, r_MsgCallback cb) {
    if (!InRange(handle)) {
        EngineMessage(cb, "r_GetMeshesPointer : Error, Object Handle Out Of Range (%d , 0 - %d)", handle,
                      gStore.capacity - 1);
        return nullptr;
    }
    CModel& model = gStore.models[handle];
    if (!model.meshes || mesh < 0 || mesh >= model.meshCount) {
        EngineMessage(cb, "r_GetMeshesPointer : Error, Mesh Index Out Of Range (%d , 0 - %d)", mesh,
                      model.meshCount - 1);
        return nullptr;
    }
    return &model.meshes[mesh];
}
