#include "tools/formats/scene_writer.h"

#include <cstdio>

namespace demo {

namespace {

// Shortest exact-enough decimal form; the C locale keeps '.' as the point.
std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

void Motion(std::string& out, const char* keyword, const std::vector<SceneKey>& given) {
    const std::vector<SceneKey> keys = given.empty() ? std::vector<SceneKey>{SceneKey{}} : given;
    out += keyword;
    out += " (unnamed)\n  9\n  " + std::to_string(keys.size()) + "\n";
    for (const SceneKey& k : keys) {
        out += "  " + Number(k.position.x) + " " + Number(k.position.y) + " " + Number(k.position.z) + " " +
               Number(k.heading) + " " + Number(k.pitch) + " " + Number(k.bank) + " 1 1 1\n";
        out += "  " + std::to_string(k.frame) + " 1 0 0 0\n";  // linear keys
    }
    out += "EndBehavior 1\n";
}

void Parent(std::string& out, int parent) {
    if (parent >= 0) out += "ParentObject " + std::to_string(parent + 1) + "\n";
}

}  // namespace

std::string SceneText(const Scene& scene) {
    std::string out = "LWSC\n1\n\n";
    out += "FirstFrame 1\nLastFrame " + std::to_string(scene.lastFrame) + "\nFrameStep 1\n";
    out += "FramesPerSecond " + std::to_string(scene.framesPerSecond) + "\n\n";

    for (const SceneObject& o : scene.objects) {
        out += "LoadObject Objects\\" + o.file + "\nShowObject 6 7\n";
        Motion(out, "ObjectMotion", o.keys);
        Parent(out, o.parent);
        out += "ShadowOptions 7\n\n";
    }

    out += "AmbientColor 255 255 255\nAmbIntensity 0.2\n\n";
    for (const SceneLight& l : scene.lights) {
        out += "AddLight\nLightName " + l.name + "\nShowLight 0 7\n";
        Motion(out, "LightMotion", l.keys);
        Parent(out, l.parent);
        out += "LightColor " + std::to_string(l.red) + " " + std::to_string(l.green) + " " + std::to_string(l.blue) +
               "\nLgtIntensity 1\nLightType " + std::to_string(static_cast<int>(l.kind)) + "\n\n";
    }

    out += "ShowCamera 1 7\n";
    Motion(out, "CameraMotion", scene.cameraKeys);
    out += "ZoomFactor 3.2\n";
    return out;
}

}  // namespace demo
