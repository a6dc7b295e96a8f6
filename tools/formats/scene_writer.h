// Writes LightWave scenes in the version 1 text form: objects with their key
// frames and parents, lights with key frames, and the one camera.
#pragma once

#include <string>
#include <vector>

#include "tools/formats/vec3.h"

namespace demo {

// One key of a motion: angles in degrees (heading about Y, pitch about X, bank about Z).
struct SceneKey {
    int frame = 0;
    Vec3 position{};
    float heading = 0, pitch = 0, bank = 0;
};

struct SceneObject {
    std::string file;  // object file name, e.g. "SKY.LWO"
    std::vector<SceneKey> keys;
    int parent = -1;  // index of the parent object, -1 for none
};

enum class LightKind { Distant = 0, Point = 1, Spot = 2 };

struct SceneLight {
    std::string name;
    std::vector<SceneKey> keys;
    int parent = -1;
    uint8_t red = 255, green = 255, blue = 255;
    LightKind kind = LightKind::Point;
};

struct Scene {
    int framesPerSecond = 30;
    int lastFrame = 60;
    std::vector<SceneObject> objects;
    std::vector<SceneLight> lights;
    std::vector<SceneKey> cameraKeys;  // the camera; one key at frame 0 when empty
};

// The scene file's text. Every item gets at least one key (a rest pose at frame 0).
std::string SceneText(const Scene& scene);

}  // namespace demo
