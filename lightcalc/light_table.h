// The light table shared by the table operations (light_table.cpp) and the
// vertex lighting (vertex_lighting.cpp). Internal to liblightcalc.so.
#pragma once

#include <cstdint>

#include "common/vecmath.h"
#include "tessaly/model_records.h"

namespace lightcalc {

// Kind of a light, from the low three bits of its type code.
enum class LightKind : uint8_t { Omni, Distant, Spot };

struct LightEntry {
    bool inUse;       // the entry holds a light
    bool switchedOn;  // the light contributes
    bool prelit;      // a P kind (type bit 8): lit by pre-illumination only
    LightKind kind;
    uint8_t flag;        // the caller's flag byte, kept as given
    int extra;           // the caller's extra argument, kept as given
    ModelLight light;    // type, colour, world placement, range as given
    Vector3 position;    // translation row of the placement
    Vector3 axis;        // unit z axis of the placement (spots and distant lights shine along it)
    float spotOuterCos;  // spots: cosine of the cone's half angle (no light beyond)
    float spotInnerCos;  // spots: cosine of the angle within which the light is at full strength
};

// A spot's cone unless _SetLightCone changes it: 30 degrees, full strength within 20.
constexpr float kDefaultSpotOuterCos = 0.86602540f;
constexpr float kDefaultSpotInnerCos = 0.93969262f;

// The table: entries[0 .. capacity), allocated by _AllocMaxLights.
struct LightTable {
    LightEntry* entries = nullptr;
    int capacity = 0;
    int vertexColours = 0;  // the caller's vertex-colour capacity, kept for information
    Vector3 ambient{0.0f, 0.0f, 0.0f};
};

LightTable& Table();

}  // namespace lightcalc
