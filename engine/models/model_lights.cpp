// Lights derived from a model's light surfaces: surfaces whose names begin
// with LOMNI, LSPOT or LDISTANT (or their P forms, which pre-illuminate).
#include <cstring>
#include <new>

#include "common/vecmath.h"
#include "engine/models/model_store.h"

namespace {

struct LightPrefix {
    const char* text;
    int type;
};

// Longer prefixes come before their shorter forms, so "LOMNIPX" is an LOMNIP.
constexpr LightPrefix kPrefixes[] = {
    {"LOMNIP", 9}, {"LOMNI", 1}, {"LSPOTP", 12}, {"LSPOT", 4}, {"LDISTANTP", 10}, {"LDISTANT", 2},
};

// Light units per radian of smoothing angle: the smoothing angle of a light
// surface carries its range.
constexpr float kRangePerRadian = 56.3f;

constexpr int kMaxLights = 65535;  // the store counts lights in 16 bits

int LightType(const char* name) {
    for (const LightPrefix& prefix : kPrefixes)
        if (std::strncmp(name, prefix.text, std::strlen(prefix.text)) == 0) return prefix.type;
    return 0;
}

}  // namespace

ModelLight* BuildModelLights(const CModel& model, int& count) {
    count = 0;
    if (!model.meshes) return nullptr;
    int wanted = 0;
    for (int i = 0; i < model.meshCount && wanted < kMaxLights; ++i)
        if (LightType(model.meshes[i].name) != 0) ++wanted;
    if (wanted == 0) return nullptr;
    ModelLight* lights = new (std::nothrow) ModelLight[size_t(wanted)];
    if (!lights) return nullptr;

    for (int i = 0; i < model.meshCount && count < wanted; ++i) {
        const CMesh& mesh = model.meshes[i];
        const int type = LightType(mesh.name);
        if (type == 0) continue;
        ModelLight& light = lights[count++];
        light.type = type;
        light.red = mesh.colour[0];
        light.green = mesh.colour[1];
        light.blue = mesh.colour[2];
        // The surface's first vertex normal gives the light's turn angles; the
        // mesh centre its position.
        const Vector3 angles = mesh.normals && mesh.capacity > 0 ? mesh.normals[0] : Vector3{0.0f, 0.0f, 0.0f};
        light.placement = MatIdentity();
        MatRotateEuler(light.placement, angles, true);
        MatTranslate(light.placement, mesh.centre, false);
        light.range = mesh.smoothingAngle * kRangePerRadian;
    }
    return lights;
}
