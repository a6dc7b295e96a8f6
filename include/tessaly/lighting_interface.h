// The boundary between the engine and the lighting library (liblightcalc.so),
// which keeps a table of lights and an ambient colour and writes per-vertex
// colours into mesh records. The engine links against it.
//
// Colours are 0xAARRGGBB. The library writes only the colour arrays it is
// handed; it never allocates or frees mesh arrays.
#pragma once

#include <cstdint>

#include "tessaly/export.h"
#include "tessaly/model_records.h"
#include "tessaly/vector_types.h"

// Light type codes (ModelLight::type): the low three bits give the kind.
enum LightType : int {
    LIGHT_OMNI = 1,
    LIGHT_DISTANT = 2,
    LIGHT_SPOT = 4,
    LIGHT_PRELIT = 8,  // the P kinds: lit into the stored colours by pre-illumination
};

// What _GetLight copies out: the switched-on byte, then a ModelLight.
struct LightDescription {
    uint8_t switchedOn;   // non-zero while the light is switched on
    uint8_t reserved[3];  // zero
    ModelLight light;     // type, colour 0..1, world placement, range
};
static_assert(sizeof(LightDescription) == 22 * 4);

// Creates the light table (lights entries); the vertex-colour capacity is kept
// for the caller's information. 0, or -1 when already allocated, for fewer than
// one light or out of memory (reported through cb).
TESSALY_EXPORT int _AllocMaxLights(int lights, int vertexColours, r_MsgCallback cb);
TESSALY_EXPORT int _FreeAllocatedLights(r_MsgCallback cb);
// Adds a light placed in the world; flag is 1 exactly for the P kinds. Returns
// the light's index (the first free entry), or -1 when the table is absent or
// full or the type's low three bits are not exactly one kind. Spots shine along
// the placement's z axis in a cone of 30 degrees half-angle (full strength
// within 20); distant lights shine along it everywhere.
TESSALY_EXPORT int _AddLight(const Matrix44* placement, const float* rgb, float range, int type, uint8_t flag,
                             int extra);
// A spot's cone: half angle from its axis and the soft edge inside it where the
// light fades out (radians; the cone is kept within a right angle). 0, or -1
// for an index that holds no light or an angle that is not a number.
TESSALY_EXPORT int _SetLightCone(int light, float coneAngle, float edgeAngle);
// Switches the light off and frees its entry; -1 for an index that holds none.
TESSALY_EXPORT int _KillLight(int light);
TESSALY_EXPORT int _KillAllLights(void);
TESSALY_EXPORT int _SetAmbient(float red, float green, float blue);
// mode 0 (dynamic): a = stored colours (b) plus the lights that are not P kinds.
// mode 1 (pre-illumination, called with B then A): adds the P-kind lights into
// the stored colours. Vertices up to the mesh's vertex count (never beyond its
// capacity). 0, or -1 for a missing mesh, colour array or unknown mode.
TESSALY_EXPORT int _LightMesh(CMesh* mesh, const Matrix44* model, uint32_t* coloursA, uint32_t* coloursB, int mode);
// Writes the unlit colour (surface colour x (ambient + luminosity)) into both arrays.
TESSALY_EXPORT int _ResetSBMIllum(CMesh* mesh, float luminosity);
TESSALY_EXPORT int _GetLightsNum(void);
// Copies light index into buffer (22 words) and returns buffer, or null for an
// index outside 0 .. _GetLightsNum() - 1. A freed entry copies as all zero.
TESSALY_EXPORT LightDescription* _GetLight(LightDescription* buffer, int index);
