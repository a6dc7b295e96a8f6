#include "tools/content/objects.h"

#include <cmath>
#include <numbers>

#include "tools/content/noise.h"
#include "tools/content/shapes.h"
#include "tools/content/surfaces.h"

namespace demo {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

LwobSurface Smoothed(LwobSurface s, float angle) {
    s.flags |= kSurfaceSmoothing;
    s.smoothingAngle = angle;
    return s;
}

LwobSurface Fire(const std::string& name, Vec3 size, Vec3 centre) {
    LwobSurface s =
        Textured(name, "fx_Phire.tga", TextureMap::Cubic, kAxisZ, size, centre, kSurfaceAdditive | kSurfaceDoubleSided);
    s.luminosity = 1.0f;
    return s;
}

// A small glowing octahedron-like blob that carries a light at its centre.
void AddLightBlob(LwobObject& o, Vec3 centre, float size, const LwobSurface& light) {
    AddEllipsoid(o, centre, {size, size, size}, 2, 4, o.AddSurface(light));
}

// A spot light: its placement is turned by the angles of the surface's first
// vertex normal and it shines along the turned z axis. A tiny triangle with
// normal (-1, 0, 0) comes first, inside the blob, and aims it down at about
// 57 degrees towards local +z.
void AddSpotBlob(LwobObject& o, Vec3 centre, float size, const LwobSurface& light) {
    const int surface = o.AddSurface(light);
    const float t = size * 0.2f;
    AddFacing(o, {centre + Vec3{0, -t, -t}, centre + Vec3{0, t, -t}, centre + Vec3{0, 0, t}}, surface, {-1, 0, 0});
    AddEllipsoid(o, centre, {size, size, size}, 2, 4, surface);
}

}  // namespace

LwobObject SkyObject(float radius, float height) {
    LwobObject o;
    LwobSurface clouds =
        Textured("CLOUDS", "clouds.tga", TextureMap::Planar, kAxisY, {260, 1, 260}, {}, kSurfaceDoubleSided);
    clouds.luminosity = 1.0f;
    clouds.textures[0].velocity = {0.0006f, 0.00025f, 0};
    AddEllipsoid(o, {0, 0, 0}, {radius, height, radius}, 12, 24, o.AddSurface(clouds), true);
    return o;
}

LwobObject TerrainObject(float half, int cells, const std::function<float(float, float)>& height) {
    LwobObject o;
    const LwobSurface ground =
        Smoothed(Textured("TERRAIN", "grass.tga", TextureMap::Planar, kAxisY, {60, 1, 60}), 1.2f);
    AddHeightField(o, half, cells, height, o.AddSurface(ground));
    return o;
}

LwobObject LakeObject(float radius) {
    LwobObject o;
    LwobSurface water = Textured("WATER", "terrain_lake.tga", TextureMap::Planar, kAxisY, {48, 1, 48});
    water.luminosity = 0.35f;
    const int s = o.AddSurface(water);
    constexpr int kSides = 24;
    for (int i = 0; i < kSides; ++i) {
        const float a0 = 2 * kPi * i / kSides, a1 = 2 * kPi * (i + 1) / kSides;
        AddFacing(o,
                  {{0, 0, 0},
                   {radius * std::cos(a0), 0, radius * std::sin(a0)},
                   {radius * std::cos(a1), 0, radius * std::sin(a1)}},
                  s, {0, 1, 0});
    }
    return o;
}

LwobObject CampfireObject() {
    LwobObject o;
    const int wood = o.AddSurface(Textured("LOGS", "wood.tga", TextureMap::Cubic, kAxisY, {2, 2, 2}));
    AddBox(o, {-2.5f, 0, -0.4f}, {2.5f, 0.7f, 0.4f}, wood);
    AddBox(o, {-0.4f, 0.5f, -2.5f}, {0.4f, 1.2f, 2.5f}, wood);
    const int stone =
        o.AddSurface(Smoothed(Textured("FIRESTONES", "rock.tga", TextureMap::Cubic, kAxisY, {3, 3, 3}), 1.0f));
    for (int i = 0; i < 8; ++i) {
        const float a = 2 * kPi * i / 8;
        AddEllipsoid(o, {3.4f * std::cos(a), 0.3f, 3.4f * std::sin(a)}, {0.8f, 0.6f, 0.8f}, 3, 6, stone);
    }
    AddCrossedQuads(o, {0, 0.3f, 0}, 2.4f, 6.0f, o.AddSurface(Fire("CAMPFIRE", {4.8f, 6, 4.8f}, {0, 3.3f, 0})));
    AddLightBlob(o, {0, 2.0f, 0}, 0.3f, LightSurface("LOMNIP_FIRE", 255, 150, 60, 14));
    return o;
}

LwobObject BrazierObject() {
    LwobObject o;
    const int metal =
        o.AddSurface(Smoothed(Textured("IRON", "chrome.tga", TextureMap::Cylindrical, kAxisY, {2, 5, 2}), 0.8f));
    AddCylinder(o, {0, 0, 0}, 0.35f, 3.2f, 8, metal, metal);
    AddCone(o, {0, 3.2f, 0}, 0.4f, 1.6f, 1.0f, 10, metal);
    AddCrossedQuads(o, {0, 3.6f, 0}, 1.4f, 3.6f, o.AddSurface(Fire("BRAZIERFIRE", {2.8f, 3.6f, 2.8f}, {0, 5.4f, 0})));
    AddLightBlob(o, {0, 4.6f, 0}, 0.2f, LightSurface("LOMNIP_BRAZIER", 255, 160, 70, 12));
    return o;
}

LwobObject TempleObject() {
    LwobObject o;
    const int steps = o.AddSurface(Textured("STEPS", "marble.tga", TextureMap::Cubic, kAxisY, {12, 12, 12}));
    AddBox(o, {-22, 0, -16}, {22, 1.2f, 16}, steps);
    AddBox(o, {-20, 1.2f, -14}, {20, 2.4f, 14}, steps);
    LwobSurface columnSurface = Textured("COLUMNS", "marble.tga", TextureMap::Cylindrical, kAxisY, {2, 14, 2});
    columnSurface.textures[0].wrap = 2;
    const int columns = o.AddSurface(Smoothed(columnSurface, 0.9f));
    for (int side = -1; side <= 1; side += 2)
        for (int i = 0; i < 5; ++i) {
            const Vec3 base{-16.0f + 8.0f * i, 2.4f, side * 11.0f};
            AddCylinder(o, base, 1.3f, 14, 12, columns, steps);
        }
    const int roof = o.AddSurface(Textured("ROOF", "marble.tga", TextureMap::Cubic, kAxisY, {10, 10, 10}));
    AddBox(o, {-21, 16.4f, -14}, {21, 18.4f, 14}, roof);
    LwobSurface glass =
        Textured("GLASS", "crystal.tga", TextureMap::Planar, kAxisZ, {8, 8, 8}, {}, kSurfaceDoubleSided);
    glass.transparency = 0.55f;
    const int pane = o.AddSurface(glass);
    AddPanel(o, {-8, 8.4f, 6}, 3.5f, 5, pane);
    AddPanel(o, {8, 8.4f, 6}, 3.5f, 5, pane);
    LwobSurface chrome = Textured("OBELISK", "marble.tga", TextureMap::Cubic, kAxisY, {4, 4, 4});
    chrome.reflection = 0.6f;
    LwobTexture mirror;
    mirror.channel = TextureChannel::Reflection;
    mirror.map = TextureMap::Planar;
    mirror.image = "chrome.tga";
    chrome.textures.push_back(mirror);
    AddCone(o, {0, 2.4f, 0}, 1.8f, 0.6f, 10, 4, o.AddSurface(chrome));
    for (int i = 0; i < 2; ++i)
        AddLightBlob(o, {i ? 12.0f : -12.0f, 4.0f, -12}, 0.25f, LightSurface("LOMNIP_TEMPLE", 255, 220, 170, 16));
    AddSpotBlob(o, {0, 15.5f, -9}, 0.3f, LightSurface("LSPOTP_OBELISK", 255, 240, 200, 14));
    return o;
}

LwobObject TowerObject() {
    LwobObject o;
    LwobSurface brick = Textured("TOWERWALL", "brick.tga", TextureMap::Cylindrical, kAxisY, {10, 12, 10}, {0, 20, 0});
    brick.textures[0].wrap = 6;
    const int wall = o.AddSurface(Smoothed(brick, 0.6f));
    AddCylinder(o, {0, -2, 0}, 5, 42, 16, wall);
    const int roof = o.AddSurface(Textured("TOWERROOF", "wood.tga", TextureMap::Planar, kAxisX, {4, 4, 4}));
    AddCone(o, {0, 40, 0}, 7, 0, 10, 16, roof);
    AddSpotBlob(o, {0, 37, 6.5f}, 0.5f, LightSurface("LSPOT_TOWER", 200, 230, 255, 16));
    AddLightBlob(o, {0, 51.5f, 0}, 0.4f, LightSurface("LOMNI_BEACON", 255, 60, 40, 12));
    return o;
}

LwobObject TreeObject(int detail) {
    LwobObject o;
    const int bark = o.AddSurface(Textured("BARK", "bark.tga", TextureMap::Cylindrical, kAxisY, {1, 4, 1}));
    const int needles =
        o.AddSurface(Smoothed(Textured("NEEDLES", "pine.tga", TextureMap::Planar, kAxisY, {6, 6, 6}), 0.7f));
    const int segments = detail == 0 ? 10 : (detail == 1 ? 7 : 4);
    AddCylinder(o, {0, 0, 0}, 0.6f, 4, detail == 2 ? 4 : 6, bark);
    const int layers = detail == 0 ? 3 : (detail == 1 ? 2 : 1);
    for (int i = 0; i < layers; ++i) {
        const float base = 3.0f + i * 9.0f / layers;
        AddCone(o, {0, base, 0}, 4.5f - i * 1.2f, 0, 14.0f - base + 3.0f, segments, needles);
    }
    return o;
}

LwobObject RockObject(int detail, uint32_t seed) {
    LwobObject o;
    const LwobSurface surface = Smoothed(Textured("ROCK", "rock.tga", TextureMap::Cubic, kAxisY, {4, 4, 4}), 1.1f);
    const int rings = detail == 0 ? 10 : (detail == 1 ? 6 : 3);
    const auto bumps = [seed](Vec3 d) {
        return 0.75f + 0.5f * Fractal(d.x * 1.7f + 4, d.z * 1.7f + d.y * 0.9f + 4, 3, seed);
    };
    AddEllipsoid(o, {0, 1.5f, 0}, {4, 3, 3.4f}, rings, rings * 2, o.AddSurface(surface), false, bumps);
    return o;
}

LwobObject LampObject(const std::string& lightName, uint8_t r, uint8_t g, uint8_t b, float range) {
    LwobObject o;
    const int post = o.AddSurface(Smoothed(Plain("LAMPPOST", 60, 60, 70), 0.8f));
    AddCylinder(o, {0, 0, 0}, 0.25f, 7, 6, post, post);
    AddBox(o, {-1.2f, 7, -0.15f}, {0.2f, 7.3f, 0.15f}, post);
    AddLightBlob(o, {-1.0f, 6.3f, 0}, 0.35f, LightSurface(lightName, r, g, b, range));
    return o;
}

LwobObject CrystalObject() {
    LwobObject o;
    LwobSurface crystal =
        Textured("CRYSTAL", "crystal.tga", TextureMap::Cubic, kAxisY, {3, 3, 3}, {}, kSurfaceDoubleSided);
    crystal.transparency = 0.45f;
    crystal.luminosity = 0.4f;
    const int s = o.AddSurface(crystal);
    AddEllipsoid(o, {0, 5, 0}, {1.6f, 5, 1.6f}, 2, 5, s);
    AddEllipsoid(o, {2.0f, 2.5f, 0.8f}, {0.8f, 2.5f, 0.8f}, 2, 5, s);
    AddLightBlob(o, {0, 5, 0}, 0.3f, LightSurface("LOMNI_CRYSTAL", 90, 220, 255, 10));
    return o;
}

LwobObject BannerObject() {
    LwobObject o;
    const int cloth = o.AddSurface(
        Textured("BANNER", "banner.tga", TextureMap::Planar, kAxisZ, {4, 8, 4}, {0, 8, 0}, kSurfaceDoubleSided));
    AddPanel(o, {0, 8, 0}, 2, 4, cloth);
    const int pole = o.AddSurface(Plain("POLE", 90, 70, 40));
    AddCylinder(o, {0, 0, 0.1f}, 0.15f, 12.5f, 5, pole, pole);
    return o;
}

LwobObject SunObject() {
    LwobObject o;
    // The light shines along its placement's z axis, turned by the angles of
    // the triangle's normal: normal (-0.9, -0.3, 0.3) aims it down and across.
    const Vec3 sunNormal = Normalized({-0.9f, -0.3f, 0.3f}), fillNormal = Normalized({-0.5f, 0.6f, -0.6f});
    // A small triangle lying across the normal, so that its face normal is n.
    const auto across = [](Vec3 n) {
        const Vec3 a = Normalized(Cross(n, std::fabs(n.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0}));
        const Vec3 b = Cross(n, a);
        return std::vector<Vec3>{{0, 0, 0}, a, b};
    };
    AddFacing(o, across(sunNormal), o.AddSurface(HiddenLightSurface("LDISTANTP_SUN", 255, 240, 215, 1)), sunNormal);
    AddFacing(o, across(fillNormal), o.AddSurface(HiddenLightSurface("LDISTANTP_SKY", 90, 110, 150, 1)), fillNormal);
    return o;
}

LwobObject HallObject() {
    LwobObject o;
    const int floor = o.AddSurface(Textured("FLOOR", "tiles.tga", TextureMap::Planar, kAxisY, {16, 1, 16}));
    const int wall = o.AddSurface(Textured("HALLWALL", "wall.tga", TextureMap::Cubic, kAxisY, {12, 12, 12}));
    LwobSurface beams = Textured("CEILING", "wood.tga", TextureMap::Planar, kAxisY, {8, 1, 8});
    beams.luminosity = 0.35f;  // no light reaches it from above
    const int ceiling = o.AddSurface(beams);
    constexpr float kHalfWidth = 30, kHalfLength = 80, kHeight = 26;
    AddFacing(o,
              {{-kHalfWidth, 0, -kHalfLength},
               {kHalfWidth, 0, -kHalfLength},
               {kHalfWidth, 0, kHalfLength},
               {-kHalfWidth, 0, kHalfLength}},
              floor, {0, 1, 0});
    AddFacing(o,
              {{-kHalfWidth, kHeight, -kHalfLength},
               {kHalfWidth, kHeight, -kHalfLength},
               {kHalfWidth, kHeight, kHalfLength},
               {-kHalfWidth, kHeight, kHalfLength}},
              ceiling, {0, -1, 0});
    for (int side = -1; side <= 1; side += 2) {
        const float x = side * kHalfWidth, z = side * kHalfLength;
        AddFacing(o, {{x, 0, -kHalfLength}, {x, kHeight, -kHalfLength}, {x, kHeight, kHalfLength}, {x, 0, kHalfLength}},
                  wall, {-static_cast<float>(side), 0, 0});
        AddFacing(o, {{-kHalfWidth, 0, z}, {-kHalfWidth, kHeight, z}, {kHalfWidth, kHeight, z}, {kHalfWidth, 0, z}},
                  wall, {0, 0, -static_cast<float>(side)});
    }
    LwobSurface marble = Textured("HALLCOLUMNS", "marble.tga", TextureMap::Cylindrical, kAxisY, {2, 20, 2}, {0, 13, 0});
    marble.textures[0].wrap = 2;
    const int columns = o.AddSurface(Smoothed(marble, 0.9f));
    const int plinth = o.AddSurface(Textured("PLINTHS", "marble.tga", TextureMap::Cubic, kAxisY, {6, 6, 6}));
    for (int side = -1; side <= 1; side += 2)
        for (int i = 0; i < 7; ++i) {
            const float x = side * 16.0f, z = -60.0f + 20.0f * i;
            AddBox(o, {x - 2.2f, 0, z - 2.2f}, {x + 2.2f, 1.5f, z + 2.2f}, plinth);
            AddCylinder(o, {x, 1.5f, z}, 1.5f, kHeight - 1.5f, 12, columns);
        }
    return o;
}

LwobObject AltarObject() {
    LwobObject o;
    const int stone = o.AddSurface(Textured("ALTAR", "marble.tga", TextureMap::Cubic, kAxisY, {6, 6, 6}));
    AddBox(o, {-5, 0, -3}, {5, 4, 3}, stone);
    LwobSurface mirror = Plain("MIRRORBALL", 255, 255, 255, kSurfaceSmoothing);
    mirror.smoothingAngle = 1.5f;
    mirror.reflection = 1.0f;
    LwobTexture env;
    env.channel = TextureChannel::Reflection;
    env.map = TextureMap::Planar;
    env.image = "chrome.tga";
    mirror.textures.push_back(env);
    AddEllipsoid(o, {0, 7, 0}, {3, 3, 3}, 10, 16, o.AddSurface(mirror));
    const int gold =
        o.AddSurface(Textured("GOLDRING", "gold.tga", TextureMap::Cylindrical, kAxisY, {4, 2, 4}, {0, 4.5f, 0}));
    AddCylinder(o, {0, 4, 0}, 2.2f, 1, 16, gold, gold);
    return o;
}

}  // namespace demo
