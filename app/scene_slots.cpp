// Scene slots: loading through the scene library and the model store, the
// lighting of a slot, key search, track poses and the demo script.
#include "app/scene_slots.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "app/music.h"
#include "app/user_reports.h"
#include "tessaly/engine_api.h"

SceneSlot g_slots[kSceneSlots];
SpecialMesh g_specialMeshes[kSpecialMeshCount];
std::vector<Matrix44> g_objectMatrices;
std::vector<Matrix44> g_lightMatrices;

namespace {

struct SpecialName {
    const char* object;
    const char* mesh;
};
constexpr SpecialName kSpecialNames[kSpecialMeshCount] = {
    {"SKY.LWO", "CLOUDS"},      {"GLOW.LWO", "GLOW"},        {"HALFMASK1.LWO", "MASK"},
    {"HALFMASK2.LWO", "MASK2"}, {"ENDTITLE.LWO", "ENDSURF"},
};

void UpperCase(char* text) {
    for (; *text; ++text) *text = static_cast<char>(std::toupper(static_cast<unsigned char>(*text)));
}

void CopyName(char* out, size_t outSize, const char* text) { std::snprintf(out, outSize, "%s", text ? text : ""); }

// The model store's last word on an object's own load: why it failed.
char g_modelMessage[1024];
int KeepModelMessage(const char* text) {
    std::snprintf(g_modelMessage, sizeof g_modelMessage, "%s", text ? text : "");
    return 0;
}

// "NAME (why)" for an object whose model did not load, from the store's message
// ("r_LoadModel : Error, Could not open NAME" gives "NAME (Could not open NAME)").
std::string UnreadObject(const char* name) {
    std::string why = g_modelMessage;
    const size_t end = why.find_first_of("\r\n");
    if (end != std::string::npos) why.resize(end);
    for (const char* prefix : {"r_LoadModel : ", "Error, "})
        if (why.rfind(prefix, 0) == 0) why.erase(0, std::strlen(prefix));
    // The missing plug-in has a line of its own.
    if (why.rfind("Unknown Format", 0) == 0) why = "no plug-in for its type";
    return std::string(name) + (why.empty() ? "" : " (" + why + ")");
}

// Records the meshes the demo animates when the object is one of the named ones.
void FindSpecialMeshes(const char* objectName, int model) {
    for (int s = 0; s < kSpecialMeshCount; ++s) {
        if (std::strcmp(objectName, kSpecialNames[s].object) != 0) continue;
        g_specialMeshes[s].model = model;
        const int meshes = r_GetMeshesNum(model, nullptr);
        for (int m = 0; m < meshes; ++m) {
            CMesh* mesh = r_GetMeshPointer(model, m, nullptr);
            if (!mesh) continue;
            mesh->name[sizeof mesh->name - 1] = '\0';
            UpperCase(mesh->name);
            if (std::strcmp(mesh->name, kSpecialNames[s].mesh) == 0) g_specialMeshes[s].mesh = m;
        }
    }
}

// Loads the detail levels that follow an object's model; returns how many loaded.
int LoadDetailLevels(const char* objectName, int model) {
    int count = 0;
    char name[256];
    while (DetailLevelName(objectName, count + 1, name, sizeof name)) {
        const int handle = r_LoadModel(-1, name, g_app.meshesPath, g_app.mapsPath, 0, SilentMessage);
        if (handle == -1) break;
        // Level k is drawn as model + k. One that landed elsewhere (a released
        // slot's gap was too short) cannot be used and goes back to the store.
        if (handle != model + count + 1) {
            r_FreeModel(handle, nullptr);
            break;
        }
        ++count;
    }
    return count;
}

// True when a slot other than `except` draws the model handle (as an object's
// model or one of its detail levels).
bool HandleUsedByOtherSlot(int except, int handle) {
    for (int s = 0; s < kSceneSlots; ++s) {
        if (s == except) continue;
        const SceneSlot& other = g_slots[s];
        for (size_t i = 0; i < other.modelHandles.size(); ++i) {
            const int model = other.modelHandles[i];
            if (model != -1 && handle >= model && handle <= model + other.detailCounts[i]) return true;
        }
    }
    return false;
}

// Gives the models a slot holds back to the store before the slot is loaded
// again, so that loading scenes again and again (LOAD) reuses the store's
// slots instead of filling it with unused copies until loads fail. Special
// meshes that lived in them are forgotten.
void ReleaseSlotModels(int slotIndex) {
    const SceneSlot& slot = g_slots[slotIndex];
    for (size_t i = 0; i < slot.modelHandles.size(); ++i) {
        const int model = slot.modelHandles[i];
        if (model == -1) continue;
        for (int level = 0; level <= slot.detailCounts[i]; ++level) {
            const int handle = model + level;
            if (HandleUsedByOtherSlot(slotIndex, handle)) continue;
            r_FreeModel(handle, nullptr);
            for (SpecialMesh& special : g_specialMeshes)
                if (special.model == handle) special = SpecialMesh{};
        }
    }
}

void ReadKeys(Track& track, int count, int (*get)(int, int, KeyFrameRecord*), int index) {
    track.keys.assign(static_cast<size_t>(std::max(count, 0)), KeyFrameRecord{});
    for (size_t k = 0; k < track.keys.size(); ++k) get(index, static_cast<int>(k), &track.keys[k]);
}

// Grows the shared matrix tables to hold a slot of this size (never shrinks).
void ReserveMatrices(size_t objects, size_t lights) {
    if (g_objectMatrices.size() < objects) g_objectMatrices.resize(objects, MatIdentity());
    if (g_lightMatrices.size() < lights) g_lightMatrices.resize(lights, MatIdentity());
}

// Resets and pre-illuminates a model and its detail levels under one pose.
void RelightObject(const SceneSlot& slot, int i) {
    const Matrix44 pose = FirstKeyPose(slot.objects[static_cast<size_t>(i)]);
    const int model = slot.modelHandles[static_cast<size_t>(i)];
    for (int level = 0; level <= slot.detailCounts[static_cast<size_t>(i)]; ++level) {
        r_ResetModelIllum(model + level, nullptr);
        r_PreIllumModel(model + level, &pose, nullptr);
    }
}

void AddSlotLights(const SceneSlot& slot) {
    for (int i = 0; i < slot.ObjectCount(); ++i) {
        const Matrix44 pose = FirstKeyPose(slot.objects[static_cast<size_t>(i)]);
        r_AddModelLights(slot.modelHandles[static_cast<size_t>(i)], &pose, 0);
    }
}

}  // namespace

bool DetailLevelName(const char* objectName, int level, char* out, size_t outSize) {
    const char* dot = std::strchr(objectName, '.');
    int length;
    if (dot) {
        const int baseLength = static_cast<int>(dot - objectName);
        length = std::snprintf(out, outSize, "%.*s_MM%d.%s", baseLength, objectName, level, dot + 1);
    } else {
        length = std::snprintf(out, outSize, "%s_MM%d", objectName, level);
    }
    return length >= 0 && static_cast<size_t>(length) < outSize;
}

bool LoadScene(const char* path, int slotIndex, std::vector<std::string>* unread, std::string* damage) {
    if (slotIndex < 0 || slotIndex >= kSceneSlots) return false;
    // A file that is not a scene changes nothing: the slot keeps what it held.
    if (r_LoadAnim(path, 0) != 0) return false;
    if (damage) *damage = r_GetAnimDamage();
    ReleaseSlotModels(slotIndex);
    SceneSlot slot;  // the old tables are released when this replaces them
    const int objects = std::max(r_GetObjectsInAnim(), 0);
    const int lights = std::max(r_GetAnimLightsNum(), 0);
    const int cameras = std::max(r_GetAnimCamerasNum(), 0);
    slot.modelHandles.assign(static_cast<size_t>(objects), -1);
    slot.detailCounts.assign(static_cast<size_t>(objects), 0);
    slot.objects.resize(static_cast<size_t>(objects));
    slot.lights.resize(static_cast<size_t>(lights));
    slot.cameras.resize(static_cast<size_t>(cameras));

    for (int i = 0; i < objects; ++i) {
        Track& track = slot.objects[static_cast<size_t>(i)];
        CopyName(track.name, sizeof track.name, r_GetAnimObjectName(i));
        UpperCase(track.name);
        ReadKeys(track, r_GetKeysNum(i), r_GetKeyFrame, i);
        track.parent = r_GetAnimParent(i);
        track.pivot = r_GetAnimPivotPoint(i);

        // The model store upper-cases the name it is given in place; hand it a copy.
        char name[256];
        CopyName(name, sizeof name, track.name);
        g_modelMessage[0] = '\0';
        const int model = r_LoadModel(-1, name, g_app.meshesPath, g_app.mapsPath, 0, KeepModelMessage);
        slot.modelHandles[static_cast<size_t>(i)] = model;
        if (model == -1 && unread) unread->push_back(UnreadObject(track.name));
        // Detail level k is drawn as model + k, which means nothing without the model.
        if (model != -1) {
            slot.detailCounts[static_cast<size_t>(i)] = LoadDetailLevels(track.name, model);
            FindSpecialMeshes(track.name, model);
        }
    }
    for (int c = 0; c < cameras; ++c) {
        Track& track = slot.cameras[static_cast<size_t>(c)];
        ReadKeys(track, r_GetCamKeysNum(c), r_GetCamKeyFrame, c);
        track.parent = r_GetCamAnimParent(c);
        track.pivot = r_GetCamPivotPoint(c);
    }
    for (int l = 0; l < lights; ++l) {
        Track& track = slot.lights[static_cast<size_t>(l)];
        ReadKeys(track, r_GetLightKeysNum(l), r_GetLightKeyFrame, l);
        track.parent = r_GetLightAnimParent(l);
    }

    g_slots[slotIndex] = std::move(slot);
    ReserveMatrices(static_cast<size_t>(objects), static_cast<size_t>(lights));
    // No light is removed here: loading several slots gathers all their model lights.
    AddSlotLights(g_slots[slotIndex]);
    RelightSlot(slotIndex);
    r_ResetAnim();
    return true;
}

void LoadAllSlots() {
    static const char* const kScenes[kSceneSlots] = {"intromask.lws", "main.lws", "inner.lws", "endtitle.lws"};
    // At most this many object names in a scene's line; the count says the rest.
    constexpr size_t kNamesShown = 6;
    char path[kPathSize + 32];
    for (int s = 0; s < kSceneSlots; ++s) {
        std::snprintf(path, sizeof path, "%s%s", g_app.scenesPath, kScenes[s]);
        std::vector<std::string> unread;
        std::string damage;
        if (!LoadScene(path, s, &unread, &damage)) {
            ReportToUserF("%s is not a scene file that can be read; scene slot %d stays empty", path, s);
            continue;
        }
        if (!damage.empty()) ReportToUserF("%s is damaged: %s", path, damage.c_str());
        if (unread.empty()) continue;
        std::string names;
        for (size_t i = 0; i < unread.size() && i < kNamesShown; ++i) names += (i ? ", " : "") + unread[i];
        if (unread.size() > kNamesShown) names += ", and " + std::to_string(unread.size() - kNamesShown) + " more";
        ReportToUserF("%s: %zu of %d objects not loaded: %s", path, unread.size(), g_slots[s].ObjectCount(),
                      names.c_str());
    }
    g_app.scenesLoaded = true;
}

void ReleaseSlots() {
    for (SceneSlot& slot : g_slots) slot = SceneSlot{};
    for (SpecialMesh& special : g_specialMeshes) special = SpecialMesh{};
    g_objectMatrices = {};
    g_lightMatrices = {};
}

void RelightSlot(int slotIndex) {
    if (slotIndex < 0 || slotIndex >= kSceneSlots) return;
    const SceneSlot& slot = g_slots[slotIndex];
    for (int i = 0; i < slot.ObjectCount(); ++i) RelightObject(slot, i);
}

void SetUpSlotLighting(int slotIndex) {
    if (slotIndex < 0 || slotIndex >= kSceneSlots) return;
    r_KillAllLights();
    AddSlotLights(g_slots[slotIndex]);
    RelightSlot(slotIndex);
}

KeySpan SearchKeys(const Track& track, float t) {
    KeySpan span;
    const int n = static_cast<int>(track.keys.size());
    for (int i = 0; i < n; ++i) {
        const int frame = track.keys[static_cast<size_t>(i)].frame;
        if (static_cast<float>(frame) == t) return KeySpan{i, i, 0.0f};
        if (static_cast<float>(frame) < t && i < n - 1) {
            const int gap = track.keys[static_cast<size_t>(i) + 1].frame - frame;
            // Two keys on one frame have no span between them: take the first.
            span = KeySpan{i, i + 1, gap > 0 ? (t - static_cast<float>(frame)) / static_cast<float>(gap) : 0.0f};
        }
    }
    return span;
}

Matrix44 TrackPose(const Track& track, const KeySpan& span) {
    Matrix44 pose = MatIdentity();
    const int n = static_cast<int>(track.keys.size());
    if (n == 0) return pose;
    const KeyFrameRecord& a = track.keys[static_cast<size_t>(std::clamp(span.first, 0, n - 1))];
    const KeyFrameRecord& b = track.keys[static_cast<size_t>(std::clamp(span.second, 0, n - 1))];
    const float f = span.fraction;
    auto lerp = [f](float x, float y) { return x + (y - x) * f; };
    const Vector3 position = {lerp(a.position[0], b.position[0]), lerp(a.position[1], b.position[1]),
                              lerp(a.position[2], b.position[2])};
    const Vector3 rotation = {lerp(a.rotation[0], b.rotation[0]), lerp(a.rotation[1], b.rotation[1]),
                              lerp(a.rotation[2], b.rotation[2])};
    MatRotateEuler(pose, Vector3{0, rotation.y, 0}, true);
    MatRotateEuler(pose, Vector3{rotation.x, 0, 0}, true);
    MatRotateEuler(pose, Vector3{0, 0, rotation.z}, true);
    MatTranslate(pose, position, false);
    return pose;
}

Matrix44 FirstKeyPose(const Track& track) { return TrackPose(track, KeySpan{}); }

int DirectorViewTrack(int slot, float t, int current) {
    struct Switch {
        float time;
        int view;
    };
    static constexpr Switch kMain[] = {{550, 1},   {740, 2},   {904, 3},   {1060, 4}, {1225, 5},
                                       {1464, 6},  {1626, 7},  {1790, 8},  {2112, 9}, {2442, 10},
                                       {2772, 11}, {3096, 12}, {3366, 14}, {3500, 13}};
    static constexpr Switch kInner[] = {{325, 1}, {792, 2}, {950, 3}, {1100, 4}};
    auto apply = [&](const auto& table) {
        for (const Switch& s : table)
            if (t >= s.time) current = s.view;
        return current;
    };
    switch (slot) {
        case 1:
            return apply(kMain);
        case 2:
            return apply(kInner);
        case 3:
            return 0;
        default:
            return current;
    }
}

float DirectorSlotEnd(int slot) {
    switch (slot) {
        case 0:
            return 399.0f;
        case 1:
            return 3699.0f;
        case 2:
            return 1274.0f;
        default:
            return -1.0f;
    }
}

void DirectScene() {
    const int slot = g_app.slotIndex;
    if (slot < 0 || slot >= kSceneSlots) return;
    const float t = g_app.sceneTime;
    g_app.animRate = slot == 0 ? 60.0f : 24.0f;
    g_app.clearBackground = slot == 0 || slot == 3;
    if (slot == 3) g_app.sceneTime = 0.0f;
    g_app.viewTrack = DirectorViewTrack(slot, t, g_app.viewTrack);

    const float end = DirectorSlotEnd(slot);
    if (end < 0.0f || t < end) return;
    g_app.slotIndex = slot + 1;
    g_app.sceneTime = 0.0f;
    g_app.viewTrack = 0;
    SetUpSlotLighting(g_app.slotIndex);
    // Leaving the main scene is where the music moves on to the second module.
    if (g_app.slotIndex == 2) SwitchToSecondModule();
    g_app.sceneWatch.Start();
    std::printf("Scene slot %d\n", g_app.slotIndex);
    std::fflush(stdout);
}
