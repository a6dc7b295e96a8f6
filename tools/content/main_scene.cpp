// Slot 1: a landscape under a drifting sky, with a lake, a campfire, a temple,
// a tower, lamps, crystals, trees and rocks, seen through fifteen flights.
#include <algorithm>
#include <cmath>

#include "tools/content/demo_scenes.h"
#include "tools/content/flight.h"
#include "tools/content/noise.h"

namespace demo {

namespace {

constexpr float kHalf = 320;
constexpr int kCells = 40;
const Vec3 kLake{-110, -1, 90};
const Vec3 kTemple{100, 8, -60};
const Vec3 kTower{-60, 4, -140};
const Vec3 kCampfire{-40, 2, 20};
const Vec3 kForest{70, 0, 130};
const Vec3 kRocks{150, 0, 60};
constexpr float kLakeRadius = 58;

float Smoothstep(float a, float b, float x) {
    const float t = std::clamp((x - a) / (b - a), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

float Distance2D(float x, float z, Vec3 p) { return std::hypot(x - p.x, z - p.z); }

// Blends the height h toward level inside radius r around p.
float Flatten(float h, float x, float z, Vec3 p, float r, float level) {
    return level + (h - level) * Smoothstep(0.7f, 1.4f, Distance2D(x, z, p) / r);
}

float Ground(float x, float z) {
    float h = (Fractal(x / 110 + 3, z / 110 + 7, 4, 7) - 0.5f) * 44;
    const float edge = std::max(std::fabs(x), std::fabs(z)) / kHalf;
    h += Smoothstep(0.55f, 1.0f, edge) * (60 + 90 * Fractal(x / 60, z / 60, 3, 8));
    h = Flatten(h, x, z, kLake, kLakeRadius * 0.8f, -7);
    h = Flatten(h, x, z, kTemple, 34, kTemple.y);
    h = Flatten(h, x, z, kTower, 14, kTower.y);
    h = Flatten(h, x, z, kCampfire, 12, kCampfire.y);
    return h;
}

Vec3 OnGround(float x, float z, float sink = 0.8f) { return {x, Ground(x, z) - sink, z}; }

bool FreeSpot(float x, float z) {
    return Distance2D(x, z, kLake) > kLakeRadius + 10 && Distance2D(x, z, kTemple) > 40 &&
           Distance2D(x, z, kTower) > 20 && Distance2D(x, z, kCampfire) > 18 && std::fabs(x) < 250 &&
           std::fabs(z) < 250;
}

// Keeps every key of a flight above the ground.
std::vector<SceneKey> AboveGround(std::vector<SceneKey> keys, float clearance = 4) {
    for (SceneKey& k : keys) k.position.y = std::max(k.position.y, Ground(k.position.x, k.position.z) + clearance);
    return keys;
}

Vec3 Up(Vec3 p, float dy) { return {p.x, p.y + dy, p.z}; }

// A path moved up where it would run below the ground, so views never aim into a hill.
Path Lifted(Path path, float clearance = 1) {
    return [path, clearance](float t) {
        Vec3 p = path(t);
        p.y = std::max(p.y, Ground(p.x, p.z) + clearance);
        return p;
    };
}

// Frames where each view track is the view: the program switches to track
// l at the given frames (14 comes before 13).
struct Shot {
    int track, first, last;
};
constexpr Shot kShots[] = {{0, 0, 550},      {1, 550, 740},    {2, 740, 904},    {3, 904, 1060},   {4, 1060, 1225},
                           {5, 1225, 1464},  {6, 1464, 1626},  {7, 1626, 1790},  {8, 1790, 2112},  {9, 2112, 2442},
                           {10, 2442, 2772}, {11, 2772, 3096}, {12, 3096, 3366}, {14, 3366, 3500}, {13, 3500, 3699}};

std::vector<SceneKey> ShotKeys(int track, int first, int last) {
    const int end = last + 1;
    switch (track) {
        case 0:  // establishing flight over the land towards the temple
            return Flight(first, end, Spline({{-240, 130, 240}, {-120, 95, 160}, {0, 70, 60}, {50, 45, 0}}),
                          Spline({{-60, 0, 60}, {0, 0, 0}, Up(kTemple, 5)}));
        case 1:  // low over the lake towards the campfire
            return Flight(first, end, Spline({{-170, 5, 140}, {-110, 4, 90}, {-70, 6, 45}}), Still(Up(kCampfire, 4)));
        case 2:  // round the campfire
            return Flight(first, end, Orbit(kCampfire, 20, 7, 200, 330), Still(Up(kCampfire, 3)));
        case 3:  // up along the tower
            return Flight(
                first, end,
                [](float t) {
                    return Vec3{kTower.x + 32 * std::cos(4.2f + t), kTower.y + 4 + 44 * t,
                                kTower.z + 32 * std::sin(4.2f + t)};
                },
                [](float t) { return Up(kTower, 10 + 32 * t); });
        case 4:  // past the temple front
            return Flight(first, end,
                          Spline({kTemple + Vec3{-45, 6, -36}, kTemple + Vec3{0, 10, -42}, kTemple + Vec3{45, 8, -36}}),
                          Still(Up(kTemple, 8)));
        case 5:  // between the columns, round the obelisk
            return Flight(first, end,
                          Spline({kTemple + Vec3{-17, 9, -5}, kTemple + Vec3{0, 11, -7}, kTemple + Vec3{17, 9, -5}}),
                          Still(Up(kTemple, 7)));
        case 6:  // along the lamps from the campfire to the temple
            return Flight(first, end,
                          Spline({Up(kCampfire, 9) + Vec3{6, 0, -6}, {35, 16, -25}, kTemple + Vec3{-40, 12, -5}}),
                          Spline({{0, 8, -10}, {60, 10, -45}, Up(kTemple, 8)}));
        case 7:  // the crystals on the shore
            return Flight(first, end, Orbit(kLake + Vec3{50, 0, -30}, 24, 9, 90, 200), Still(kLake + Vec3{50, 6, -30}));
        case 8:  // through the forest
            return Flight(first, end,
                          Spline({kForest + Vec3{-70, 9, -50}, kForest + Vec3{-10, 8, 0}, kForest + Vec3{40, 10, 50}}),
                          Spline({kForest + Vec3{-30, 8, -10}, kForest + Vec3{30, 8, 40}, kForest + Vec3{80, 12, 90}}));
        case 9:  // high round the valley, mountains and sky
            return Flight(first, end, Orbit({0, 0, 0}, 200, 150, 120, 230), Orbit({0, 0, 0}, 60, 20, 150, 260));
        case 10:  // over the water
            return Flight(first, end,
                          Spline({kLake + Vec3{-45, 30, -45}, kLake + Vec3{0, 18, -10}, kLake + Vec3{40, 14, 35}}),
                          Still(kLake));
        case 11:  // towards the tower light
            return Flight(first, end,
                          Spline({kTower + Vec3{-70, 8, 70}, kTower + Vec3{-35, 16, 35}, kTower + Vec3{-16, 26, 12}}),
                          Still(Up(kTower, 38)));
        case 12:  // low among the rocks, towards the valley
            return Flight(
                first, end, Spline({kRocks + Vec3{50, 6, 40}, kRocks + Vec3{0, 5, 5}, kRocks + Vec3{-50, 4, -30}}),
                Lifted(Spline({kRocks + Vec3{10, 2, 10}, kRocks + Vec3{-30, 2, -20}, kRocks + Vec3{-90, 4, -60}})));
        case 14:  // pulling back from the temple
            return Flight(first, end,
                          Spline({kTemple + Vec3{0, 10, -26}, kTemple + Vec3{0, 25, -70}, kTemple + Vec3{0, 45, -125}}),
                          Still(Up(kTemple, 8)));
        default:  // 13: rising into the clouds
            return Flight(first, end, Spline({{20, 40, -40}, {0, 110, -30}, {-10, 220, -10}}),
                          Spline({{60, 40, 60}, {40, 200, 100}, {0, 400, 40}}));
    }
}

void PlaceScatter(Scene& s, const std::string& file, int count, Vec3 around, float spread, uint64_t seed) {
    Random random(seed);
    for (int placed = 0, tries = 0; placed < count && tries < count * 50; ++tries) {
        const float x = around.x + random.Range(-spread, spread), z = around.z + random.Range(-spread, spread);
        if (!FreeSpot(x, z)) continue;
        s.objects.push_back(Placed(file, OnGround(x, z), random.Range(0, 360)));
        ++placed;
    }
}

}  // namespace

DemoScene MainScene(ObjectLibrary& library) {
    library["SKY.LWO"] = SkyObject(560, 300);
    library["TERRAIN.LWO"] = TerrainObject(kHalf, kCells, Ground);
    library["SUN.LWO"] = SunObject();
    library["LAKE.LWO"] = LakeObject(kLakeRadius);
    library["CAMPFIRE.LWO"] = CampfireObject();
    library["BRAZIER.LWO"] = BrazierObject();
    library["TEMPLE.LWO"] = TempleObject();
    library["TOWER.LWO"] = TowerObject();
    library["LAMP.LWO"] = LampObject("LOMNI_LAMP", 255, 210, 140, 9);
    library["CRYSTAL.LWO"] = CrystalObject();
    library["BANNER.LWO"] = BannerObject();
    for (int level = 0; level < 3; ++level) {
        const std::string suffix = level ? "_MM" + std::to_string(level) : "";
        library["TREE" + suffix + ".LWO"] = TreeObject(level);
        library["ROCK" + suffix + ".LWO"] = RockObject(level, 5);
    }

    DemoScene d = NewDemoScene("scenes/main.lws", 24, 3699, {"SKY.LWO", "TERRAIN.LWO", "SUN.LWO"});
    Scene& s = d.scene;
    s.objects.push_back(Placed("LAKE.LWO", kLake));
    s.objects.push_back(Placed("TEMPLE.LWO", kTemple));
    s.objects.push_back(Placed("TOWER.LWO", kTower, 20));
    s.objects.push_back(Placed("CAMPFIRE.LWO", kCampfire));
    for (int side = -1; side <= 1; side += 2) {
        s.objects.push_back(Placed("BRAZIER.LWO", kTemple + Vec3{side * 12.0f, 0, -24}));
        s.objects.push_back(Placed("BANNER.LWO", kTemple + Vec3{side * 24.0f, 0, -20}));
    }
    for (int i = 0; i < 6; ++i) {
        const float t = (i + 0.5f) / 6;
        const Vec3 p = Lerp(kCampfire + Vec3{10, 0, -6}, kTemple + Vec3{-36, 0, 0}, t);
        s.objects.push_back(
            Placed("LAMP.LWO", OnGround(p.x + (i % 2 ? 5.0f : -5.0f), p.z, 0.3f), i % 2 ? 180.0f : 0.0f));
    }
    for (int i = 0; i < 3; ++i) {
        const Vec3 p = kLake + Vec3{50.0f + 9.0f * i, 0, -30.0f + 7.0f * (i % 2)};
        s.objects.push_back(Placed("CRYSTAL.LWO", OnGround(p.x, p.z, 0.5f), 40.0f * i));
    }
    // A crystal hovering over the lake, turning, with a rock circling it.
    const int floating = static_cast<int>(s.objects.size());
    SceneObject hover{"CRYSTAL.LWO", {}, -1};
    for (int k = 0; k <= 8; ++k)
        hover.keys.push_back({k * 463, kLake + Vec3{0, 14.0f + (k % 2 ? 3.0f : 0.0f), 0}, 90.0f * k, 0, 0});
    s.objects.push_back(hover);
    SceneObject orbiter{"ROCK.LWO", {{0, {9, 3, 0}, 0, 0, 0}, {3699, {9, 3, 0}, 0, 0, 720}}, floating};
    s.objects.push_back(orbiter);
    PlaceScatter(s, "TREE.LWO", 16, kForest, 60, 101);
    PlaceScatter(s, "TREE.LWO", 10, {0, 0, 0}, 240, 102);
    PlaceScatter(s, "ROCK.LWO", 8, kRocks, 50, 103);
    PlaceScatter(s, "ROCK.LWO", 6, {0, 0, 0}, 230, 104);

    for (const Shot& shot : kShots) {
        const std::string name = "View" + std::to_string(shot.track);
        if (s.lights.size() <= static_cast<size_t>(shot.track)) s.lights.resize(shot.track + 1);
        s.lights[shot.track] = ViewTrack(name, AboveGround(ShotKeys(shot.track, shot.first, shot.last)));
    }
    s.cameraKeys = {LookKey(0, {-240, 130, 240}, {0, 0, 0})};
    return d;
}

}  // namespace demo
