// A scene file's items (objects, lights, cameras) with names, parents, pivots
// and key-frame records.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/vecmath.h"
#include "tessaly/scene_api.h"

namespace lws {

// Longest object name handed out, in bytes (the callers copy into 256 bytes).
constexpr size_t kMaxNameLength = 255;
// Items of one kind beyond this many are ignored (keeps a hostile file from
// growing the tables without end).
constexpr size_t kMaxItems = 100000;

struct SceneItem {
    std::string name;                   // objects: file name without directories
    int parent = -1;                    // parent object index, -1 for none
    Vector3 pivot{0.0f, 0.0f, 0.0f};
    std::vector<KeyFrameRecord> keys;   // ascending frames
};

struct Scene {
    std::vector<SceneItem> objects;
    std::vector<SceneItem> lights;
    std::vector<SceneItem> cameras;
};

// Reads the text of a scene file of versions 1 to 5. False when the text is
// not a scene (first line not LWSC, version not 1 to 5); otherwise whatever
// the file holds up to any damage ends up in scene.
bool ReadScene(std::string_view text, Scene& scene);

// The part of a path after its last '\', '/' or ':'.
std::string_view FileNameOfPath(std::string_view path);

}  // namespace lws
