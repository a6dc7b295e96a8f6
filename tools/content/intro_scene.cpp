// Slot 0: two halves of a golden mask slide together in front of a glow that
// fades in; the program drives the mask and glow colours by name.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/content/demo_scenes.h"
#include "tools/content/flight.h"
#include "tools/content/shapes.h"
#include "tools/content/surfaces.h"

namespace demo {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// One half of the face: the front (-z) quarter of an ellipsoid between the
// azimuths from and to, with a ridge for the nose and hollows for the eyes.
LwobObject MaskHalf(const std::string& surfaceName, float from, float to) {
    LwobObject o;
    LwobSurface s = Textured(surfaceName, "mask.tga", TextureMap::Planar, kAxisZ, {14, 18, 14}, {},
                             kSurfaceDoubleSided | kSurfaceSmoothing);
    s.smoothingAngle = 1.2f;
    s.transparency = 0.1f;
    s.luminosity = 0.5f;
    const int surface = o.AddSurface(s);
    constexpr int kRings = 24, kSegments = 14;
    const auto direction = [&](float ring, float segment) {
        const float polar = 0.15f * kPi + 0.75f * kPi * ring / kRings;
        const float azimuth = from + (to - from) * segment / kSegments;
        return Vec3{std::sin(polar) * std::cos(azimuth), std::cos(polar), std::sin(polar) * std::sin(azimuth)};
    };
    const auto point = [&](int ring, int segment) {
        const Vec3 d = direction(static_cast<float>(ring), static_cast<float>(segment));
        const float nose = std::exp(-d.x * d.x * 60) * std::clamp(0.5f - d.y, 0.0f, 0.6f);
        const float r = 1.0f + 0.25f * nose;
        return Vec3{d.x * 6.5f * r, d.y * 9 * r, d.z * 5 * r};
    };
    // Eye holes and a mouth slit: cells whose middle falls inside them are left out.
    const auto open = [&](int ring, int segment) {
        const Vec3 d = direction(ring + 0.5f, segment + 0.5f);
        const float ex = std::fabs(d.x) - 0.36f, ey = d.y - 0.28f;
        const bool eye = ex * ex * 3 + ey * ey * 6 < 0.06f;
        const bool mouth = std::fabs(d.y + 0.42f) < 0.05f && std::fabs(d.x) < 0.22f;
        return eye || mouth;
    };
    for (int ring = 0; ring < kRings; ++ring)
        for (int seg = 0; seg < kSegments; ++seg) {
            if (open(ring, seg)) continue;
            const Vec3 a = point(ring, seg), b = point(ring, seg + 1), c = point(ring + 1, seg + 1),
                       d = point(ring + 1, seg);
            AddFacing(o, {a, b, c, d}, surface, {0, 0, -1});
        }
    return o;
}

LwobObject Glow() {
    LwobObject o;
    LwobSurface s = Textured("GLOW", "fx_flare.tga", TextureMap::Planar, kAxisZ, {30, 30, 30}, {},
                             kSurfaceAdditive | kSurfaceDoubleSided);
    s.luminosity = 1.0f;
    AddPanel(o, {0, 0, 0}, 15, 15, o.AddSurface(s));
    return o;
}

}  // namespace

DemoScene IntroScene(ObjectLibrary& library) {
    library["HALFMASK1.LWO"] = MaskHalf("MASK", kPi, 1.5f * kPi);
    library["HALFMASK2.LWO"] = MaskHalf("MASK2", 1.5f * kPi, 2 * kPi);
    library["GLOW.LWO"] = Glow();

    DemoScene d = NewDemoScene("scenes/intromask.lws", 60, 399);
    Scene& s = d.scene;
    // The halves come in from the sides and meet at frame 220; the glow stays behind them.
    s.objects.push_back(
        {"HALFMASK1.LWO", {{0, {-30, 4, 0}, -40, 0, 0}, {220, {0, 0, 0}, 0, 0, 0}, {399, {0, 0, 0}, 0, 0, 0}}, -1});
    s.objects.push_back(
        {"HALFMASK2.LWO", {{0, {30, -4, 0}, 40, 0, 0}, {220, {0, 0, 0}, 0, 0, 0}, {399, {0, 0, 0}, 0, 0, 0}}, -1});
    s.objects.push_back(Placed("GLOW.LWO", {0, 0, 4}));
    s.lights.push_back(ViewTrack("MaskView", Flight(
                                                 0, 400,
                                                 [](float t) {
                                                     return Vec3{0, 1 - t, -42 + 14 * t};
                                                 },
                                                 Still({0, 0, 0}), 40)));
    s.cameraKeys = {LookKey(0, {0, 0, -40}, {0, 0, 0})};
    return d;
}

DemoScene NewDemoScene(const std::string& path, int framesPerSecond, int lastFrame,
                       std::initializer_list<std::string> atOrigin) {
    DemoScene d{path, {}};
    d.scene.framesPerSecond = framesPerSecond;
    d.scene.lastFrame = lastFrame;
    for (const std::string& file : atOrigin) d.scene.objects.push_back(Placed(file, {0, 0, 0}));
    return d;
}

SceneObject Placed(const std::string& file, Vec3 position, float heading) {
    SceneKey key;
    key.position = position;
    key.heading = heading;
    return {file, {key}, -1};
}

SceneLight ViewTrack(const std::string& name, std::vector<SceneKey> keys) {
    SceneLight light;
    light.name = name;
    light.keys = std::move(keys);
    light.kind = LightKind::Spot;
    return light;
}

}  // namespace demo
