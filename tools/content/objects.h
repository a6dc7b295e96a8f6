// The demo's objects, built from shapes and surfaces in their own local
// coordinates (y up, ground at y = 0); scenes place them with key frames.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "tools/formats/lwob_writer.h"

namespace demo {

// Objects by file name (upper case, as the scenes name them).
using ObjectLibrary = std::map<std::string, LwobObject>;

LwobObject SkyObject(float radius, float height);  // surface CLOUDS, seen from inside
LwobObject TerrainObject(float half, int cells, const std::function<float(float, float)>& height);
LwobObject LakeObject(float radius);  // water surface using terrain_lake.tga
LwobObject CampfireObject();          // logs, stones, flames and a pre-lit glow
LwobObject BrazierObject();           // a bowl on a stand with flames and a glow
LwobObject TempleObject();            // steps, columns, roof, glass and a reflective obelisk
LwobObject TowerObject();             // brick tower with a roof and a spot light
LwobObject TreeObject(int detail);    // 0 full, 1 and 2 coarser
LwobObject RockObject(int detail, uint32_t seed);
LwobObject LampObject(const std::string& lightName, uint8_t r, uint8_t g, uint8_t b, float range);
LwobObject CrystalObject();  // translucent crystal with a glow inside
LwobObject BannerObject();   // double-sided cloth
LwobObject SunObject();      // hidden pre-lit distant lights: sun and sky fill
LwobObject HallObject();     // the inner hall: floor, walls, ceiling, columns
LwobObject AltarObject();    // altar with a chrome sphere

}  // namespace demo
