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

ModelStore g_store;

bool InRange(int handle) { return handle >= 0 && handle < g_store.capacity; }

// The model's meshes when both handle and mesh index are in range, else null.
const CMesh* MeshAt(int handle, int mesh) {
    if (!InRange(handle)) return nullptr;
    const CModel& model = g_store.models[handle];
    if (!model.meshes || mesh < 0 || mesh >= model.meshCount) return nullptr;
    return &model.meshes[mesh];
}

}  // namespace

// ---------------------------------------------------------------- accessors

int ModelCapacity() { return g_store.capacity; }

int ModelLoadedCount() {
    int count = 0;
    for (int i = 0; i < g_store.capacity; ++i) count += g_store.models[i].loaded == 1;
    return count;
}

CModel* ModelAt(int handle) { return InRange(handle) ? &g_store.models[handle] : nullptr; }

bool ModelIsLoaded(int handle) { return InRange(handle) && g_store.models[handle].loaded == 1; }

int ModelLightCount(int handle) { return InRange(handle) ? g_store.lightCounts[handle] : 0; }

const ModelLight* ModelLights(int handle) { return InRange(handle) ? g_store.lights[handle].get() : nullptr; }

const char* ModelName(int handle) { return InRange(handle) ? g_store.names[handle].text : nullptr; }

void ClearModelSlot(int handle) {
    if (!InRange(handle)) return;
    g_store.models[handle].Clear();
    g_store.lights[handle].reset();
    g_store.lightCounts[handle] = 0;
    g_store.names[handle].text[0] = '\0';
}

int FindModelByName(const char* name) {
    for (int i = 0; i < g_store.capacity; ++i)
        if (g_store.models[i].loaded == 1 && std::strcmp(g_store.names[i].text, name) == 0) return i;
    return -1;
}

void SetModelName(int handle, const char* name) {
    if (!InRange(handle)) return;
    char* stored = g_store.names[handle].text;
    const size_t length = strnlen(name, sizeof g_store.names[handle].text - 1);
    std::memmove(stored, name, length);  // name may be the stored text itself
    stored[length] = '\0';
}

void SetModelLights(int handle, ModelLight* lights, int count) {
    if (!InRange(handle)) {
        delete[] lights;
        return;
    }
    g_store.lights[handle].reset(lights);
    g_store.lightCounts[handle] = lights ? uint16_t(count) : 0;
}

bool CopyModelSlot(int source, int target) {
    const CModel& from = g_store.models[source];
    CModel& to = g_store.models[target];
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
    const int lightCount = g_store.lights[source] ? g_store.lightCounts[source] : 0;
    if (lightCount > 0) {
        ModelLight* copy = new (std::nothrow) ModelLight[size_t(lightCount)];
        if (!copy) {
            ClearModelSlot(target);
            return false;
        }
        std::memcpy(copy, g_store.lights[source].get(), sizeof(ModelLight) * size_t(lightCount));
        SetModelLights(target, copy, lightCount);
    }
    SetModelName(target, g_store.names[source].text);
    return true;
}

// ---------------------------------------------------------------- store

TESSALY_EXPORT int r_AllocMaxModels(int capacity, r_MsgCallback cb) {
    if (g_store.models || g_store.capacity || g_store.lightCounts || g_store.lights) {
        return EngineMessage(cb, "r_AllocMaxModels : %d Models Already Allocated , use r_FreeAllocatedModels first\n",
                             g_store.capacity);
    }
    const size_t n = capacity >= 0 ? size_t(capacity) : 0;
    if (capacity >= 0) g_store.models.reset(new (std::nothrow) CModel[n]);
    if (!g_store.models) return EngineMessage(cb, "r_AllocMaxModels : Failed to Allocate %d Models\n", capacity);

    const char* failure = nullptr;
    g_store.lightCounts.reset(new (std::nothrow) uint16_t[n]());
    if (!g_store.lightCounts) failure = "r_AllocMaxModels : Failed to Allocate %d Model Lights Num\n";
    if (!failure) {
        g_store.lights.reset(new (std::nothrow) std::unique_ptr<ModelLight[]>[n]);
        if (!g_store.lights) failure = "r_AllocMaxModels : Failed to Allocate %d Model Lights\n";
    }
    if (!failure) {
        g_store.names.reset(new (std::nothrow) NameText[n]);
        if (!g_store.names) failure = "r_AllocMaxModels : Failed to Allocate %d Model Names\n";
    }
    if (failure) {
        g_store = ModelStore{};
        return EngineMessage(cb, failure, capacity);
    }
    for (size_t i = 0; i < n; ++i) g_store.names[i].text[0] = '\0';
    g_store.capacity = capacity;
    return EngineMessage(cb, "r_AllocMaxModels : Allocated %d Models\n", capacity);
}

TESSALY_EXPORT int r_FreeAllocatedModels(r_MsgCallback cb) {
    g_store = ModelStore{};
    return EngineMessage(cb, "r_FreeAllocatedModels : Models Deallocated\n");
}

// Empties one slot (meshes, lights, name) so that a later load can take it.
// Mesh pointers handed out for it are invalid afterwards.
TESSALY_EXPORT int r_FreeModel(int handle, r_MsgCallback cb) {
    if (g_store.capacity == 0) {
        EngineMessage(cb, "r_FreeModel : Error, Objects Not Allocated\n");
        return -1;
    }
    if (!InRange(handle)) {
        EngineMessage(cb, "r_FreeModel : Error, Handle Out Of Range (%d , 0 - %d)\n", handle, g_store.capacity - 1);
        return -1;
    }
    ClearModelSlot(handle);
    return 0;
}

TESSALY_EXPORT int r_CopyModel(int source, int target, r_MsgCallback cb) {
    if (g_store.capacity == 0) {
        EngineMessage(cb, "r_CopyModel : Error, Objects Not Allocated\n");
        return -1;
    }
    if (!InRange(source)) {
        EngineMessage(cb, "r_CopyModel : Error, Source Handle Out Of Range (%d , 0 - %d)\n", source,
                      g_store.capacity - 1);
        return -1;
    }
    if (!InRange(target)) {
        EngineMessage(cb, "r_CopyModel : Error, Destination Handle Out Of Range (%d , 0 - %d)\n", target,
                      g_store.capacity - 1);
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
    return InRange(handle) ? g_store.models[handle].centre : Vector3{0.0f, 0.0f, 0.0f};
}

TESSALY_EXPORT float r_GetModelRadius(int handle) { return InRange(handle) ? g_store.models[handle].radius : 0.0f; }

TESSALY_EXPORT int r_GetSurfNum(int handle) { return InRange(handle) ? g_store.models[handle].meshCount : 0; }

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
                      g_store.capacity - 1);
        return 0;
    }
    return g_store.models[handle].meshCount;
}

TESSALY_EXPORT CMesh* r_GetMeshPointer(int handle, int mesh, r_MsgCallback cb) {
    if (!InRange(handle)) {
        EngineMessage(cb, "r_GetMeshesPointer : Error, Object Handle Out Of Range (%d , 0 - %d)", handle,
                      g_store.capacity - 1);
        return nullptr;
    }
    CModel& model = g_store.models[handle];
    if (!model.meshes || mesh < 0 || mesh >= model.meshCount) {
        EngineMessage(cb, "r_GetMeshesPointer : Error, Mesh Index Out Of Range (%d , 0 - %d)", mesh,
                      model.meshCount - 1);
        return nullptr;
    }
    return &model.meshes[mesh];
}
