// The exported calls of the scene library over one current scene.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "lws/scene_reader.h"
#include "platform/platform.h"
#include "tessaly/scene_api.h"

namespace {

// Scene files larger than this are refused; real ones are far smaller.
constexpr size_t kMaxSceneFileSize = 64u << 20;

std::unique_ptr<lws::Scene> g_scene;

bool ReadWholeFile(const char* path, std::string& text) {
    FILE* file = plat_OpenFile(path, "rb");
    if (file == nullptr) return false;
    char chunk[65536];
    bool ok = true;
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, file);
        if (got > 0) {
            if (text.size() + got > kMaxSceneFileSize) {
                ok = false;
                break;
            }
            text.append(chunk, got);
        }
        if (got < sizeof chunk) {
            ok = std::ferror(file) == 0;
            break;
        }
    }
    std::fclose(file);
    return ok;
}

const lws::SceneItem* Item(const std::vector<lws::SceneItem>* (*select)(const lws::Scene&), int index) {
    if (!g_scene || index < 0) return nullptr;
    const std::vector<lws::SceneItem>& items = *select(*g_scene);
    return static_cast<size_t>(index) < items.size() ? &items[index] : nullptr;
}

const std::vector<lws::SceneItem>* Objects(const lws::Scene& scene) { return &scene.objects; }
const std::vector<lws::SceneItem>* Lights(const lws::Scene& scene) { return &scene.lights; }
const std::vector<lws::SceneItem>* Cameras(const lws::Scene& scene) { return &scene.cameras; }

int Count(const std::vector<lws::SceneItem>* (*select)(const lws::Scene&)) {
    return g_scene ? static_cast<int>(select(*g_scene)->size()) : 0;
}

int KeysOf(const lws::SceneItem* item) { return item != nullptr ? static_cast<int>(item->keys.size()) : 0; }

int ParentOf(const lws::SceneItem* item) { return item != nullptr ? item->parent : -1; }

Vector3 PivotOf(const lws::SceneItem* item) { return item != nullptr ? item->pivot : Vector3{0.0f, 0.0f, 0.0f}; }

int CopyKey(const lws::SceneItem* item, int key, KeyFrameRecord* record) {
    if (record == nullptr) return -1;
    if (item == nullptr || key < 0 || static_cast<size_t>(key) >= item->keys.size()) {
        *record = KeyFrameRecord{};
        return -1;
    }
    *record = item->keys[key];
    return 0;
}

}  // namespace

int r_LoadAnim(const char* path, int /*reserved*/) {
    g_scene.reset();
    if (path == nullptr) return -1;
    std::string text;
    if (!ReadWholeFile(path, text)) return -1;
    auto scene = std::make_unique<lws::Scene>();
    if (!lws::ReadScene(text, *scene)) return -1;
    g_scene = std::move(scene);
    return 0;
}

int r_GetObjectsInAnim(void) { return Count(Objects); }
int r_GetAnimLightsNum(void) { return Count(Lights); }
int r_GetAnimCamerasNum(void) { return Count(Cameras); }

const char* r_GetAnimObjectName(int object) {
    const lws::SceneItem* item = Item(Objects, object);
    return item != nullptr ? item->name.c_str() : "";
}

int r_GetKeysNum(int object) { return KeysOf(Item(Objects, object)); }
int r_GetAnimParent(int object) { return ParentOf(Item(Objects, object)); }
Vector3 r_GetAnimPivotPoint(int object) { return PivotOf(Item(Objects, object)); }

int r_GetKeyFrame(int object, int key, KeyFrameRecord* record) { return CopyKey(Item(Objects, object), key, record); }

int r_GetCamKeysNum(int camera) { return KeysOf(Item(Cameras, camera)); }
int r_GetCamAnimParent(int camera) { return ParentOf(Item(Cameras, camera)); }
Vector3 r_GetCamPivotPoint(int camera) { return PivotOf(Item(Cameras, camera)); }

int r_GetCamKeyFrame(int camera, int key, KeyFrameRecord* record) {
    return CopyKey(Item(Cameras, camera), key, record);
}

int r_GetLightKeysNum(int light) { return KeysOf(Item(Lights, light)); }
int r_GetLightAnimParent(int light) { return ParentOf(Item(Lights, light)); }

int r_GetLightKeyFrame(int light, int key, KeyFrameRecord* record) { return CopyKey(Item(Lights, light), key, record); }

int r_ResetAnim(void) {
    g_scene.reset();
    return 0;
}

const char* r_GetAnimDamage(void) {
    static std::string text;
    text.clear();
    if (g_scene && g_scene->damageCount > 0) {
        text = g_scene->damage;
        if (g_scene->damageCount > 1)
            text += " (and " + std::to_string(g_scene->damageCount - 1) + " more damaged part" +
                    (g_scene->damageCount > 2 ? "s" : "") + ")";
    }
    return text.c_str();
}

// ---- viewer calls ----

namespace {

constexpr double kPi = 3.14159265358979323846;

const lws::SceneItem* ItemOfKind(int kind, int index) {
    switch (kind) {
        case SCENE_ITEM_OBJECT:
            return Item(Objects, index);
        case SCENE_ITEM_LIGHT:
            return Item(Lights, index);
        case SCENE_ITEM_CAMERA:
            return Item(Cameras, index);
        default:
            return nullptr;
    }
}

double SecondsOf(float frame) {
    const double fps = g_scene ? g_scene->framesPerSecond : 30.0;
    return std::isfinite(frame) && fps > 0.0 ? frame / fps : 0.0;
}

float Finite(double value, double fallback) {
    return std::isfinite(value) ? static_cast<float>(value) : static_cast<float>(fallback);
}

// Cone and edge angles: degrees in files of versions 1 and 2; later files
// write radians, except that a value beyond a right angle can only be degrees.
float AngleRadians(double value) {
    const bool degrees = !g_scene || g_scene->version <= 2 || value > kPi / 2.0;
    return Finite(degrees ? value * kPi / 180.0 : value, 0.0);
}

void CopyColour(const double* from, float* to, double scale) {
    for (int c = 0; c < 3; ++c) to[c] = Finite(std::clamp(from[c] * scale, 0.0, 1e6), 0.0);
}

}  // namespace

int r_GetAnimFirstFrame(void) { return g_scene ? g_scene->firstFrame : 0; }
int r_GetAnimLastFrame(void) { return g_scene ? g_scene->lastFrame : 0; }
float r_GetAnimFramesPerSecond(void) { return g_scene ? Finite(g_scene->framesPerSecond, 30.0) : 0.0f; }

int r_GetAnimBackground(float* rgb) {
    if (!g_scene || rgb == nullptr) return -1;
    CopyColour(g_scene->background, rgb, 1.0);
    return 0;
}

int r_GetAnimAmbient(float* rgb) {
    if (!g_scene || rgb == nullptr) return -1;
    CopyColour(g_scene->ambientColour, rgb, g_scene->ambientIntensity);
    return 0;
}

const char* r_GetAnimObjectPath(int object) {
    const lws::SceneItem* item = Item(Objects, object);
    return item != nullptr ? item->path.c_str() : "";
}

int r_GetAnimObjectHasFile(int object) {
    const lws::SceneItem* item = Item(Objects, object);
    return item != nullptr && item->hasFile ? 1 : 0;
}

int r_GetAnimObjectLayer(int object) {
    const lws::SceneItem* item = Item(Objects, object);
    return item != nullptr ? item->layer : 0;
}

int r_GetAnimObjectVisible(int object) {
    const lws::SceneItem* item = Item(Objects, object);
    return item != nullptr ? item->visible : 1;
}

float r_GetAnimObjectDissolve(int object, float frame) {
    const lws::SceneItem* item = Item(Objects, object);
    if (item == nullptr) return 0.0f;
    return Finite(std::clamp(item->dissolve.At(SecondsOf(frame)), 0.0, 1.0), 0.0);
}

int r_GetAnimPose(int kind, int index, float frame, KeyFrameRecord* record) {
    if (record == nullptr) return -1;
    const lws::SceneItem* item = ItemOfKind(kind, index);
    if (item == nullptr) {
        *record = KeyFrameRecord{};
        return -1;
    }
    *record = lws::EvaluateMotion(*item, std::isfinite(frame) ? frame : 0.0, g_scene->framesPerSecond);
    return 0;
}

int r_GetAnimTarget(int kind, int index) {
    const lws::SceneItem* item = ItemOfKind(kind, index);
    return item != nullptr ? item->target : -1;
}

float r_GetCamZoomFactor(int camera, float frame) {
    const lws::SceneItem* item = Item(Cameras, camera);
    if (item == nullptr) return 3.2f;
    const double zoom = item->zoom.At(SecondsOf(frame));
    return zoom > 0.0 && std::isfinite(zoom) ? static_cast<float>(zoom) : 3.2f;
}

float r_GetCamFieldOfView(int camera, float frame, float aspect) {
    const double zoom = r_GetCamZoomFactor(camera, frame);
    const double a = aspect > 0.0f && std::isfinite(aspect) ? aspect : 1.0;
    return static_cast<float>(2.0 * std::atan(a / zoom));
}

int r_GetLightInfo(int light, float frame, SceneLightInfo* info) {
    if (info == nullptr) return -1;
    *info = SceneLightInfo{SCENE_LIGHT_DISTANT, {1.0f, 1.0f, 1.0f}, 1.0f, AngleRadians(30.0), AngleRadians(5.0), 0.0f};
    const lws::SceneItem* item = Item(Lights, light);
    if (item == nullptr) return -1;
    const lws::LightSettings& settings = item->light;
    const double seconds = SecondsOf(frame);
    info->type = settings.type;
    CopyColour(settings.colour, info->colour, 1.0);
    info->intensity = Finite(settings.intensity.At(seconds), 1.0);
    info->coneAngle = AngleRadians(settings.coneAngle.At(seconds));
    info->edgeAngle = AngleRadians(settings.edgeAngle.At(seconds));
    const double range = settings.falloffOff ? 0.0 : settings.range.At(seconds);
    info->range = Finite(range > 0.0 ? range : 0.0, 0.0);
    return 0;
}
