// The exported calls of the scene library over one current scene.
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

bool ReadWholeFile(const char* path, std::string& text)
{
    FILE* file = plat_OpenFile(path, "rb");
    if (file == nullptr)
        return false;
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

const lws::SceneItem* Item(const std::vector<lws::SceneItem>* (*select)(const lws::Scene&),
                           int index)
{
    if (!g_scene || index < 0)
        return nullptr;
    const std::vector<lws::SceneItem>& items = *select(*g_scene);
    return static_cast<size_t>(index) < items.size() ? &items[index] : nullptr;
}

const std::vector<lws::SceneItem>* Objects(const lws::Scene& scene) { return &scene.objects; }
const std::vector<lws::SceneItem>* Lights(const lws::Scene& scene) { return &scene.lights; }
const std::vector<lws::SceneItem>* Cameras(const lws::Scene& scene) { return &scene.cameras; }

int Count(const std::vector<lws::SceneItem>* (*select)(const lws::Scene&))
{
    return g_scene ? static_cast<int>(select(*g_scene)->size()) : 0;
}

int KeysOf(const lws::SceneItem* item)
{
    return item != nullptr ? static_cast<int>(item->keys.size()) : 0;
}

int ParentOf(const lws::SceneItem* item)
{
    return item != nullptr ? item->parent : -1;
}

Vector3 PivotOf(const lws::SceneItem* item)
{
    return item != nullptr ? item->pivot : Vector3{0.0f, 0.0f, 0.0f};
}

int CopyKey(const lws::SceneItem* item, int key, KeyFrameRecord* record)
{
    if (record == nullptr)
        return -1;
    if (item == nullptr || key < 0 || static_cast<size_t>(key) >= item->keys.size()) {
        *record = KeyFrameRecord{};
        return -1;
    }
    *record = item->keys[key];
    return 0;
}

}  // namespace

int r_LoadAnim(const char* path, int /*reserved*/)
{
    g_scene.reset();
    if (path == nullptr)
        return -1;
    std::string text;
    if (!ReadWholeFile(path, text))
        return -1;
    auto scene = std::make_unique<lws::Scene>();
    if (!lws::ReadScene(text, *scene))
        return -1;
    g_scene = std::move(scene);
    return 0;
}

int r_GetObjectsInAnim(void) { return Count(Objects); }
int r_GetAnimLightsNum(void) { return Count(Lights); }
int r_GetAnimCamerasNum(void) { return Count(Cameras); }

const char* r_GetAnimObjectName(int object)
{
    const lws::SceneItem* item = Item(Objects, object);
    return item != nullptr ? item->name.c_str() : "";
}

int r_GetKeysNum(int object) { return KeysOf(Item(Objects, object)); }
int r_GetAnimParent(int object) { return ParentOf(Item(Objects, object)); }
Vector3 r_GetAnimPivotPoint(int object) { return PivotOf(Item(Objects, object)); }

int r_GetKeyFrame(int object, int key, KeyFrameRecord* record)
{
    return CopyKey(Item(Objects, object), key, record);
}

int r_GetCamKeysNum(int camera) { return KeysOf(Item(Cameras, camera)); }
int r_GetCamAnimParent(int camera) { return ParentOf(Item(Cameras, camera)); }
Vector3 r_GetCamPivotPoint(int camera) { return PivotOf(Item(Cameras, camera)); }

int r_GetCamKeyFrame(int camera, int key, KeyFrameRecord* record)
{
    return CopyKey(Item(Cameras, camera), key, record);
}

int r_GetLightKeysNum(int light) { return KeysOf(Item(Lights, light)); }
int r_GetLightAnimParent(int light) { return ParentOf(Item(Lights, light)); }

int r_GetLightKeyFrame(int light, int key, KeyFrameRecord* record)
{
    return CopyKey(Item(Lights, light), key, record);
}

int r_ResetAnim(void)
{
    g_scene.reset();
    return 0;
}
