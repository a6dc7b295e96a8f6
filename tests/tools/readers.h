// Reads back what the demo generator writes, through the system's own
// readers: lwo.so and tga.so loaded with dlopen, the scene library linked,
// and libopenmpt for the modules.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tessaly/scene_api.h"

namespace toolstest {

struct MeshInfo {
    std::string name;
    int triangles = 0;
    int vertexCount = 0;  // after welding
    int blendMode = 0;
    bool doubleSided = false;
    float transparency = 0, luminosity = 0, layerAlpha = 0, smoothingAngle = 0;
    float colour[3] = {};
    std::vector<std::string> textureNames;
    std::vector<int> textureKinds;
    std::vector<float> velocityX, velocityY;
};

struct ObjectInfo {
    bool loaded = false;
    std::vector<MeshInfo> meshes;
    float radius = 0;
};

// Loads and exports an object as the engine's model store does.
ObjectInfo ReadObject(const std::string& path);

struct PictureInfo {
    int width = 0, height = 0, bits = 0;
    std::vector<uint8_t> pixels;  // rows top first, R, G, B[, A]
};
PictureInfo ReadPicture(const std::string& path);

struct TrackInfo {
    int parent = -1;
    std::vector<KeyFrameRecord> keys;
};
struct SceneInfo {
    bool loaded = false;
    std::vector<std::string> objectNames;
    std::vector<TrackInfo> objects, lights, cameras;
};
SceneInfo ReadScene(const std::string& path);

struct ModuleInfo {
    bool loaded = false;
    double durationSeconds = 0;
    int channels = 0, instruments = 0, samples = 0, patterns = 0;
    double peak = 0;  // largest absolute sample of the first seconds rendered
};
ModuleInfo ReadModule(const std::vector<uint8_t>& bytes, double renderSeconds = 20);

std::vector<uint8_t> FileBytes(const std::string& path);
std::string TempDir(const std::string& name);  // fresh, below the system's temporary folder

}  // namespace toolstest
